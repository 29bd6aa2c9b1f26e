#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sys/stat.h>

#include "export/pcx_writer.h"
#include "export_files.h"
#include "picture_checks.h"
#include "picture_window.h"
#include "platform/drawing.h"
#include "platform/file_io.h"
#include "seams/test_seams.h"
#include "platform/testing.h"
#include "platform/window.h"
#include "support/recording_message_box.h"

namespace {

constexpr Color kWhite = 0x00FFFFFF;

class PcxWriterTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        FailNthAllocation(0);
        FailNthFileClose(0);
        if (window) {
            EXPECT_EQ(LiveAllocationCount(), liveBefore);
            EXPECT_EQ(OpenFileCount(), filesBefore) << "a file left open";
        }
        ClosePictureWindow(window);
    }

    void Open(int32_t width, int32_t height)
    {
        window = OpenPictureWindow(width, height);
        ASSERT_NE(window, nullptr);
        Rect client = GetClientArea(window);
        ASSERT_EQ(client.right, width);
        ASSERT_EQ(client.bottom, height);
        liveBefore = LiveAllocationCount();
        filesBefore = OpenFileCount();
    }

    int Write(const std::string& path)
    {
        DrawSurface* surface = OpenWindowSurface(window);
        int written = WritePcxFile(window, path.c_str(), surface);
        CloseWindowSurface(window, surface);
        return written;
    }

    void ExpectOneMessage(const std::string& text)
    {
        ASSERT_EQ(messages.messages().size(), 1u);
        EXPECT_EQ(messages.messages()[0].text, text);
        EXPECT_EQ(messages.messages()[0].caption, "About PCX");
        EXPECT_EQ(messages.messages()[0].owner, window);
    }

    void ExpectPictureInFile(const std::vector<uint8_t>& file)
    {
        Rect client = GetClientArea(window);
        EXPECT_TRUE(PcxShowsPicture(file, ClientColors(window), client.right, client.bottom, kWhite));
    }

    AppWindow* window = nullptr;
    long liveBefore = 0;
    long filesBefore = 0;
    ScratchFolder folder;
    MessageRecorder messages;
};

TEST_F(PcxWriterTest, HundredByFiftyClientKeepsItsPictureAndPadding)
{
    Open(100, 50);
    std::string path = folder.path("picture.pcx");
    ASSERT_EQ(Write(path), 1);
    EXPECT_TRUE(messages.messages().empty());

    std::vector<uint8_t> file = ReadWholeFile(path);
    ASSERT_GT(file.size(), 128u);
    EXPECT_EQ((std::vector<uint8_t>(file.begin(), file.begin() + 4)), (std::vector<uint8_t>{10, 5, 1, 1}));
    EXPECT_EQ(Le16(file, 8), 99);
    EXPECT_EQ(Le16(file, 10), 49);
    EXPECT_EQ(Le16(file, 66), 16);
    EXPECT_EQ((std::vector<uint8_t>(file.begin() + 16, file.begin() + 22)),
              (std::vector<uint8_t>{0, 0, 0, 255, 255, 255}));
    ExpectPictureInFile(file);

    // The picture's black, red, blue and near-white all count as foreground.
    std::vector<Color> colors = ClientColors(window);
    EXPECT_EQ(colors[100 * 10 + 10], MakeColor(0, 0, 0));
    EXPECT_EQ(colors[100 * 0 + 50], MakeColor(254, 255, 255));
}

TEST_F(PcxWriterTest, SavingOverAnExistingFileReplacesIt)
{
    Open(40, 10);
    std::string path = folder.path("again.pcx");
    WriteWholeFile(path, std::vector<uint8_t>(50000, 0x11));
    ASSERT_EQ(Write(path), 1);
    ExpectPictureInFile(ReadWholeFile(path));
}

TEST_F(PcxWriterTest, ClientWiderThanTwoThousandPixelsWritesWholeLines)
{
    Open(3000, 12);
    // Stripes that make every packed byte of the top lines differ from the
    // one before and need a count byte: 0xFF, 0xC0, 0xFF, 0xC0, ...
    FillClientBlock(window, 0, 0, 3000, 12, kWhite);
    for (int32_t x = 10; x < 3000; x += 16)
        FillClientBlock(window, x, 0, x + 6, 4, MakeColor(0, 0, 0));
    std::string path = folder.path("wide.pcx");
    ASSERT_EQ(Write(path), 1);
    std::vector<uint8_t> file = ReadWholeFile(path);
    EXPECT_EQ(Le16(file, 8), 2999);
    EXPECT_EQ(Le16(file, 66), 376);
    // The top line takes 750 encoded bytes, more than 512: 374 bytes with a
    // count byte each, then the last white byte and the padding as one run.
    std::vector<uint8_t> first(file.begin() + 128, file.begin() + 128 + 8);
    EXPECT_EQ(first, (std::vector<uint8_t>{0xC1, 0xFF, 0xC1, 0xC0, 0xC1, 0xFF, 0xC1, 0xC0}));
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 128 + 746, file.begin() + 128 + 750),
              (std::vector<uint8_t>{0xC1, 0xC0, 0xC2, 0xFF}));
    EXPECT_EQ(DecodePcxRuns(file.data() + 128, 750).size(), 376u);
    ExpectPictureInFile(file);
}

// The toolkit never gives a window an empty client area; the smallest is one pixel.
TEST_F(PcxWriterTest, OnePixelClientIsOnePaddedLine)
{
    Open(1, 1);
    std::string path = folder.path("dot.pcx");
    ASSERT_EQ(Write(path), 1);
    std::vector<uint8_t> file = ReadWholeFile(path);
    EXPECT_EQ(Le16(file, 8), 0);
    EXPECT_EQ(Le16(file, 10), 0);
    EXPECT_EQ(Le16(file, 66), 4);
    // The one pixel is the near-white frame (0), the 31 padding bits are 1.
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 128, file.end()), (std::vector<uint8_t>{0x7F, 0xC3, 0xFF}));
}

TEST_F(PcxWriterTest, OutOfMemoryIsReportedBeforeAnyFileExists)
{
    Open(100, 50);
    std::string path = folder.path("memory.pcx");
    FailNthAllocation(1);
    EXPECT_EQ(Write(path), 0);
    ExpectOneMessage("Нет памяти для буфера строки!");
    EXPECT_FALSE(FileExists(path));
    messages.clear();

    FailNthAllocation(2);
    EXPECT_EQ(Write(path), 0);
    ExpectOneMessage("Нет памяти для кодов строки!");
    EXPECT_FALSE(FileExists(path));
}

TEST_F(PcxWriterTest, FileFailuresAreReportedWithTheirOwnMessages)
{
    Open(100, 50);
    std::string plainFile = folder.path("plain");
    WriteWholeFile(plainFile, {1});
    EXPECT_EQ(Write(plainFile + "/inside.pcx"), 0);
    ExpectOneMessage("CreateFile ERROR!");
    messages.clear();

    // The disk fills within a line, or the close fails: the old file stays
    // as it was, with nothing beside it.
    const std::string path = folder.path("old.pcx");
    const std::vector<uint8_t> old(3000, 0x33);
    for (const long failingClose : {0, 1}) {
        WriteWholeFile(path, old);
        {
            std::optional<FileSizeLimit> limit;
            if (failingClose == 0)
                limit.emplace(130);
            FailNthFileClose(failingClose);
            EXPECT_EQ(Write(path), 0);
            FailNthFileClose(0);
        }
        ExpectOneMessage(failingClose ? "CloseHandle ERROR!" : "ERROR while writing PCX codes!");
        EXPECT_EQ(ReadWholeFile(path), old);
        EXPECT_EQ(folder.names(), (std::vector<std::string>{"old.pcx", "plain"}));
        messages.clear();
    }

    // The header cannot be written at all.
    {
        FileSizeLimit limit(0);
        EXPECT_EQ(Write(path), 0);
    }
    ExpectOneMessage("ERROR while writing PCXHEADER!");
    EXPECT_EQ(ReadWholeFile(path), old);
    messages.clear();

    const std::string fifo = folder.path("fifo.pcx");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(Write(fifo), 0);
    ExpectOneMessage("CreateFile ERROR!");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

}
