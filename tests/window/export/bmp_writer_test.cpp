#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "export/bmp_writer.h"
#include "export_files.h"
#include "platform/software/bitmap_record.h"
#include "platform/file_io.h"
#include "platform/memory.h"
#include "seams/test_seams.h"
#include "platform/message_box.h"
#include "support/posix/write_targets.h"
#include "support/recording_message_box.h"

namespace {

AppWindow* const kOwner = reinterpret_cast<AppWindow*>(0x4B56);

uint8_t* PixelAt(SurfaceBitmap* bitmap, int32_t x, int32_t y, int32_t bytesPerPixel)
{
    return bitmap->pixels + y * bitmap->stride + x * bytesPerPixel;
}

class BmpWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        liveBefore = LiveAllocationCount();
        filesBefore = OpenFileCount();
    }
    void TearDown() override
    {
        FailNthAllocation(0);
        ReleaseSurfaceBitmap(bitmap);
        EXPECT_EQ(LiveAllocationCount(), liveBefore);
        EXPECT_EQ(OpenFileCount(), filesBefore) << "a file left open";
    }

    // Describes and writes the bitmap as the save command does; the result of the write.
    int Write(const std::string& path)
    {
        BitmapInfo* info = CreateBitmapInfo(kOwner, bitmap);
        if (!info)
            return 0;
        int written = WriteBitmapFile(kOwner, path.c_str(), info, bitmap, nullptr);
        ReleaseMemory(info);
        return written;
    }

    void ExpectOneMessage(const std::string& text)
    {
        ASSERT_EQ(messages.messages().size(), 1u);
        EXPECT_EQ(messages.messages()[0].text, text);
        EXPECT_EQ(messages.messages()[0].caption, "About Bitmap");
        EXPECT_EQ(messages.messages()[0].owner, kOwner);
    }

    long liveBefore = 0;
    long filesBefore = 0;
    SurfaceBitmap* bitmap = nullptr;
    ScratchFolder folder;
    MessageRecorder messages;
};

// The file and info headers, checked field by field against what a file of
// this size and depth must say.
void ExpectHeaders(const std::vector<uint8_t>& file, int32_t width, int32_t height, uint16_t bitCount,
                   uint32_t colors, uint32_t sizeImage)
{
    uint32_t offBits = 54 + 4 * colors;
    ASSERT_EQ(file.size(), offBits + sizeImage);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Le32(file, 2), offBits + sizeImage);
    EXPECT_EQ(Le16(file, 6), 0);
    EXPECT_EQ(Le16(file, 8), 0);
    EXPECT_EQ(Le32(file, 10), offBits);
    EXPECT_EQ(Le32(file, 14), 40u);
    EXPECT_EQ(int32_t(Le32(file, 18)), width);
    EXPECT_EQ(int32_t(Le32(file, 22)), height);
    EXPECT_EQ(Le16(file, 26), 1);
    EXPECT_EQ(Le16(file, 28), bitCount);
    EXPECT_EQ(Le32(file, 30), 0u);
    EXPECT_EQ(Le32(file, 34), sizeImage);
    EXPECT_EQ(Le32(file, 38), 0u);
    EXPECT_EQ(Le32(file, 42), 0u);
    EXPECT_EQ(Le32(file, 46), colors);
    EXPECT_EQ(Le32(file, 50), 0u);
}

TEST(BmpDepthTest, PlanesTimesBitsRoundUpToAFileDepth)
{
    const uint16_t expected[34] = {4, 1, 4, 4, 4, 8, 8, 8, 8, 16, 16, 16, 16, 16, 16, 16, 16,
                                   24, 24, 24, 24, 24, 24, 24, 24, 32, 32, 32, 32, 32, 32, 32, 32, 32};
    for (uint16_t product = 0; product < 34; ++product)
        EXPECT_EQ(BmpBitCount(product), expected[product]) << "product " << product;
    EXPECT_EQ(BmpBitCount(65535), 32);

    EXPECT_EQ(BmpColorCount(1), 2u);
    EXPECT_EQ(BmpColorCount(4), 16u);
    EXPECT_EQ(BmpColorCount(8), 256u);
    EXPECT_EQ(BmpColorCount(16), 0u);
    EXPECT_EQ(BmpColorCount(32), 0u);

    // The allotted size, and at 1 bit the padded rows where they are larger.
    EXPECT_EQ(BmpImageSize(1366, 768, 24), 3151872u);
    EXPECT_EQ(BmpImageSize(1000, 700, 32), 2800000u);
    EXPECT_EQ(BmpImageSize(5, 3, 4), 12u);
    EXPECT_EQ(BmpImageSize(10, 3, 1), 12u);
    EXPECT_EQ(BmpImageSize(64, 2, 1), 16u);
    EXPECT_EQ(BmpImageSize(0, 700, 32), 0u);
}

TEST_F(BmpWriterTest, ThirtyTwoBitFileFillsTheImageSizeExactly)
{
    bitmap = CreateBitmapOfDepth(1000, 700, 1, 32);
    ASSERT_NE(bitmap, nullptr);
    uint8_t* top = PixelAt(bitmap, 0, 0, 4);
    top[0] = 0x11, top[1] = 0x22, top[2] = 0x33;
    uint8_t* bottomRight = PixelAt(bitmap, 999, 699, 4);
    bottomRight[0] = 0x44, bottomRight[1] = 0x55, bottomRight[2] = 0x66;

    std::string path = folder.path("thirty-two.bmp");
    ASSERT_EQ(Write(path), 1);
    std::vector<uint8_t> file = ReadWholeFile(path);
    ExpectHeaders(file, 1000, 700, 32, 0, 2800000);
    EXPECT_EQ(file.size(), 2800054u);

    // Rows bottom-up, blue, green, red and a zero fourth byte.
    std::size_t bottomRow = 54, topRow = 54 + 699 * 4000;
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + long(bottomRow + 999 * 4), file.begin() + long(bottomRow + 1000 * 4)),
              (std::vector<uint8_t>{0x44, 0x55, 0x66, 0}));
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + long(topRow), file.begin() + long(topRow + 8)),
              (std::vector<uint8_t>{0x11, 0x22, 0x33, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(BmpWriterTest, TwentyFourBitFileEndsWithTheAllottedZeroBytes)
{
    bitmap = CreateBitmapOfDepth(1366, 768, 1, 24);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_EQ(bitmap->stride, 4100);
    for (int32_t y = 0; y < 768; ++y) {
        uint8_t* last = PixelAt(bitmap, 1365, y, 3);
        last[0] = 0xAB, last[1] = 0xCD, last[2] = 0xEF;
    }
    PixelAt(bitmap, 0, 767, 3)[2] = 0x7F;

    std::string path = folder.path("twenty-four.bmp");
    ASSERT_EQ(Write(path), 1);
    std::vector<uint8_t> file = ReadWholeFile(path);
    ExpectHeaders(file, 1366, 768, 24, 0, 3151872);
    EXPECT_EQ(Le32(file, 2), 3151926u);

    for (int32_t row = 0; row < 768; ++row) {
        std::size_t start = 54 + std::size_t(row) * 4100;
        ASSERT_EQ(file[start + 1365 * 3], 0xAB) << "row " << row;
        ASSERT_EQ(file[start + 1365 * 3 + 2], 0xEF) << "row " << row;
        ASSERT_EQ(file[start + 4098], 0) << "padding of row " << row;
        ASSERT_EQ(file[start + 4099], 0) << "padding of row " << row;
    }
    EXPECT_EQ(file[54 + 2], 0x7F); // the bitmap's bottom row comes first
    std::size_t rowsEnd = 54 + 3148800;
    EXPECT_EQ(file.size() - rowsEnd, 3072u);
    for (std::size_t i = rowsEnd; i < file.size(); ++i)
        ASSERT_EQ(file[i], 0) << "byte " << i;
}

TEST_F(BmpWriterTest, EightBitFileCarriesItsColourTable)
{
    bitmap = CreateBitmapOfDepth(1024, 700, 1, 8);
    ASSERT_NE(bitmap, nullptr);
    bitmap->palette[200] = {10, 20, 30, 0};
    *PixelAt(bitmap, 5, 699, 1) = 200;
    *PixelAt(bitmap, 1023, 0, 1) = 17;

    std::string path = folder.path("eight.bmp");
    ASSERT_EQ(Write(path), 1);
    std::vector<uint8_t> file = ReadWholeFile(path);
    ExpectHeaders(file, 1024, 700, 8, 256, 716800);
    EXPECT_EQ(Le32(file, 10), 1078u);
    EXPECT_EQ(file.size(), 717878u);

    for (int i = 0; i < 256; ++i) {
        std::size_t entry = 54 + 4 * std::size_t(i);
        ASSERT_EQ(file[entry], bitmap->palette[i].blue) << "entry " << i;
        ASSERT_EQ(file[entry + 1], bitmap->palette[i].green) << "entry " << i;
        ASSERT_EQ(file[entry + 2], bitmap->palette[i].red) << "entry " << i;
        ASSERT_EQ(file[entry + 3], 0) << "entry " << i;
    }
    EXPECT_EQ(file[54 + 800], 10);
    EXPECT_EQ(file[1078 + 5], 200);
    EXPECT_EQ(file[1078 + 699 * 1024 + 1023], 17);
}

TEST_F(BmpWriterTest, OneAndFourBitFilesHoldEveryPaddedRow)
{
    // 1 bit, 10 x 3: rows of 4 bytes, more than the 2 bytes a row the allotted size gives.
    bitmap = CreateBitmapOfDepth(10, 3, 1, 1);
    ASSERT_NE(bitmap, nullptr);
    PixelAt(bitmap, 0, 0, 1)[0] = 0x80;  // top row: first pixel
    PixelAt(bitmap, 0, 2, 1)[1] = 0x40;  // bottom row: tenth pixel
    std::string onePath = folder.path("one.bmp");
    ASSERT_EQ(Write(onePath), 1);
    std::vector<uint8_t> one = ReadWholeFile(onePath);
    ExpectHeaders(one, 10, 3, 1, 2, 12);
    EXPECT_EQ(std::vector<uint8_t>(one.begin() + 54, one.end()),
              (std::vector<uint8_t>{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0,       // black, white
                                    0x00, 0x40, 0, 0, 0, 0, 0, 0, 0x80, 0, 0, 0}));
    ReleaseSurfaceBitmap(bitmap);

    // 4 bits, 5 x 2: the allotted size equals the rows.
    bitmap = CreateBitmapOfDepth(5, 2, 1, 4);
    ASSERT_NE(bitmap, nullptr);
    PixelAt(bitmap, 0, 0, 1)[0] = 0x9C;
    PixelAt(bitmap, 0, 1, 1)[2] = 0xF0;
    std::string fourPath = folder.path("four.bmp");
    ASSERT_EQ(Write(fourPath), 1);
    std::vector<uint8_t> four = ReadWholeFile(fourPath);
    ExpectHeaders(four, 5, 2, 4, 16, 8);
    EXPECT_EQ(Le32(four, 54 + 4 * 9), 0x00FF0000u);  // entry 9: red
    EXPECT_EQ(Le32(four, 54 + 4 * 12), 0x000000FFu); // entry 12: blue
    EXPECT_EQ(std::vector<uint8_t>(four.begin() + 118, four.end()),
              (std::vector<uint8_t>{0, 0, 0xF0, 0, 0x9C, 0, 0, 0}));
}

TEST_F(BmpWriterTest, SixteenBitFileKeepsItsWords)
{
    bitmap = CreateBitmapOfDepth(3, 2, 1, 16);
    ASSERT_NE(bitmap, nullptr);
    PixelAt(bitmap, 2, 1, 2)[0] = 0x1F;
    PixelAt(bitmap, 2, 1, 2)[1] = 0x7C;
    std::string path = folder.path("sixteen.bmp");
    ASSERT_EQ(Write(path), 1);
    std::vector<uint8_t> file = ReadWholeFile(path);
    ExpectHeaders(file, 3, 2, 16, 0, 32);
    EXPECT_EQ(Le16(file, 54 + 4), 0x7C1F);
    for (std::size_t i = 54 + 16; i < file.size(); ++i)
        ASSERT_EQ(file[i], 0) << "byte " << i;
}

TEST_F(BmpWriterTest, SavingOverAnExistingFileReplacesItCompletely)
{
    std::string path = folder.path("old.bmp");
    WriteWholeFile(path, std::vector<uint8_t>(100000, 0xAA));
    bitmap = CreateBitmapOfDepth(4, 4, 1, 32);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_EQ(Write(path), 1);
    std::vector<uint8_t> file = ReadWholeFile(path);
    // Width 4 is allotted a full 8 pixels a row: 64 bytes of rows, then 64 zero bytes.
    ExpectHeaders(file, 4, 4, 32, 0, 128);
    for (std::size_t i = 54; i < file.size(); ++i)
        ASSERT_EQ(file[i], 0) << "byte " << i;
}

TEST_F(BmpWriterTest, FailuresBeforeTheFileExistsReportAndWriteNothing)
{
    // No bitmap to describe.
    EXPECT_EQ(CreateBitmapInfo(kOwner, nullptr), nullptr);
    ExpectOneMessage("Проблемы при выполнении GetObject");
    messages.clear();

    bitmap = CreateBitmapOfDepth(8, 8, 1, 8);
    ASSERT_NE(bitmap, nullptr);
    FailNthAllocation(1);
    EXPECT_EQ(CreateBitmapInfo(kOwner, bitmap), nullptr);
    ExpectOneMessage("Нет памяти для BITMAPINFO");
    messages.clear();

    BitmapInfo* info = CreateBitmapInfo(kOwner, bitmap);
    ASSERT_NE(info, nullptr);
    std::string path = folder.path("never.bmp");
    FailNthAllocation(1);
    EXPECT_EQ(WriteBitmapFile(kOwner, path.c_str(), info, bitmap, nullptr), 0);
    ExpectOneMessage("GlobalAlloc ERROR!");
    EXPECT_FALSE(FileExists(path));
    messages.clear();

    // A description that belongs to another bitmap cannot be served.
    SurfaceBitmap* other = CreateBitmapOfDepth(9, 8, 1, 8);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(WriteBitmapFile(kOwner, path.c_str(), info, other, nullptr), 0);
    ExpectOneMessage("GetDIBits ERROR!");
    EXPECT_FALSE(FileExists(path));
    ReleaseSurfaceBitmap(other);
    ReleaseMemory(info);
}

TEST_F(BmpWriterTest, BitmapOfSeveralPlanesIsDescribedButCannotBeFetched)
{
    bitmap = CreateBitmapOfDepth(8, 2, 4, 1);
    ASSERT_NE(bitmap, nullptr);
    BitmapInfo* info = CreateBitmapInfo(kOwner, bitmap);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->header.planes, 4);
    EXPECT_EQ(info->header.bitCount, 1);
    EXPECT_EQ(info->header.clrUsed, 16u);
    EXPECT_EQ(info->header.sizeImage, 8u);

    std::string path = folder.path("planes.bmp");
    EXPECT_EQ(WriteBitmapFile(kOwner, path.c_str(), info, bitmap, nullptr), 0);
    ExpectOneMessage("GetDIBits ERROR!");
    EXPECT_FALSE(FileExists(path));
    ReleaseMemory(info);
}

TEST_F(BmpWriterTest, FileThatCannotBeCreatedIsReported)
{
    bitmap = CreateBitmapOfDepth(8, 8, 1, 32);
    ASSERT_NE(bitmap, nullptr);
    // Tests run as root, whom permission bits do not stop: use folders that cannot exist.
    std::string plainFile = folder.path("plain");
    WriteWholeFile(plainFile, {1, 2, 3});
    EXPECT_EQ(Write(plainFile + "/inside.bmp"), 0);
    ExpectOneMessage("CreateFile ERROR!");
    messages.clear();

    std::string missing = folder.path("missing/picture.bmp");
    EXPECT_EQ(Write(missing), 0);
    ExpectOneMessage("CreateFile ERROR!");
    EXPECT_FALSE(FileExists(missing));
}

// The window's message box, watched: whether a temporary file stood beside
// the target while a message showed.
MessageBoxHandler recorder = nullptr;
std::string watchedFolder;
bool temporaryWhileShown = false;

void NoteTemporaryFiles(AppWindow* owner, const char* text, const char* caption)
{
    temporaryWhileShown |= TemporaryFilesLeftIn(watchedFolder);
    recorder(owner, text, caption);
}

// A save that fails part way leaves the old file as it was and nothing beside
// it, not even while its message shows.
TEST_F(BmpWriterTest, EveryFailedWriteIsReportedAndKeepsTheOldFile)
{
    bitmap = CreateBitmapOfDepth(16, 16, 1, 32);
    ASSERT_NE(bitmap, nullptr);
    const std::string path = folder.path("old.bmp");
    const std::vector<uint8_t> old(5000, 0x5A);
    watchedFolder = folder.path("");
    temporaryWhileShown = false;
    recorder = SetMessageBoxHandler(NoteTemporaryFiles);
    struct Case {
        long roomOnDisk; // bytes a file may grow to; 0 for a full disk
        long failingClose;
        const char* message;
    };
    for (const Case c : {Case{0, 0, "ERROR while writing BITMAPFILEHEADER!"},
                         Case{30, 0, "ERROR while writing BITMAPINFOHEADER!"},
                         Case{100, 0, "ERROR while writing bitmap bits!"},
                         Case{-1, 1, "CloseHandle ERROR!"}}) {
        WriteWholeFile(path, old);
        {
            std::optional<FileSizeLimit> limit;
            if (c.roomOnDisk >= 0)
                limit.emplace(c.roomOnDisk);
            FailNthFileClose(c.failingClose);
            EXPECT_EQ(Write(path), 0);
            FailNthFileClose(0);
        }
        ExpectOneMessage(c.message);
        EXPECT_EQ(ReadWholeFile(path), old) << c.message;
        EXPECT_EQ(folder.names(), std::vector<std::string>{"old.bmp"}) << c.message;
        EXPECT_FALSE(temporaryWhileShown) << c.message;
        messages.clear();
    }
    SetMessageBoxHandler(recorder);
}

// The window's messages for each step of a save that fails: the name is
// refused (a folder, a FIFO that nobody reads: the window never waits) or a
// write fails (a device that is always full); a FIFO with a reader takes the
// whole file. The rules themselves, for every kind of target, are the
// platform's (tests/platform/posix/file_rules_test.cpp).
TEST_F(BmpWriterTest, EachFailingStepOfASaveHasItsMessage)
{
    bitmap = CreateBitmapOfDepth(8, 8, 1, 32);
    ASSERT_NE(bitmap, nullptr);
    constexpr std::size_t kFileBytes = 54 + 8 * 8 * 4;
    const auto at = [&](const char* name) { return folder.path(name); };
    int reader = -1;
    struct Case {
        const char* name;
        std::function<std::string()> target;  // "" when the system does not let the test make it
        const char* message;                  // "" when the save succeeds
    };
    const Case cases[] = {
        {"a folder", [&] { std::filesystem::create_directory(at("dir.bmp")); return at("dir.bmp"); }, "CreateFile ERROR!"},
        {"a FIFO that nobody reads", [&] { mkfifo(at("lonely.bmp").c_str(), 0644); return at("lonely.bmp"); },
         "CreateFile ERROR!"},
        {"a device that is always full", [&] { return MakeMemoryDevice(at("full.bmp"), 7) ? at("full.bmp") : ""; },
         "ERROR while writing BITMAPFILEHEADER!"},
        {"a FIFO with a reader", [&] { reader = OpenFifoReader(at("fifo.bmp")); return at("fifo.bmp"); }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        const std::string target = c.target();
        if (target.empty()) {
            std::printf("skipped \"%s\": the system does not let this test make it\n", c.name);
            continue;
        }
        EXPECT_EQ(Write(target), *c.message ? 0 : 1);
        if (*c.message)
            ExpectOneMessage(c.message);
        else
            EXPECT_TRUE(messages.messages().empty());
        EXPECT_FALSE(TemporaryFilesLeftIn(folder.path("")));
    }
    ASSERT_GE(reader, 0);
    EXPECT_EQ(ReadToEnd(reader).size(), kFileBytes);
    close(reader);
}

}
