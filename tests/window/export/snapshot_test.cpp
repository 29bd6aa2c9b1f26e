#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "export/snapshot.h"
#include "export_files.h"
#include "picture_checks.h"
#include "picture_window.h"
#include "seams/test_seams.h"
#include "platform/window.h"
#include "stand_in_save_dialog.h"
#include "support/recording_message_box.h"

namespace {

constexpr int32_t kWidth = 160;
constexpr int32_t kHeight = 90;
constexpr Color kWhite = 0x00FFFFFF;

using Messages = std::vector<std::pair<std::string, std::string>>;

class SnapshotTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = OpenPictureWindow(kWidth, kHeight);
        ASSERT_NE(window, nullptr);
        picture = ClientColors(window);
        liveBefore = LiveAllocationCount();
    }

    void TearDown() override
    {
        FailNthAllocation(0);
        EXPECT_EQ(LiveAllocationCount(), liveBefore);
        ClosePictureWindow(window);
    }

    // The stand-in user chooses path; returns what the save command showed.
    Messages Save(const std::string& path)
    {
        saveDialog.path = path;
        messages.clear();
        MakeSnapshot(window, fileName, sizeof fileName);
        Messages shown;
        for (const RecordedMessage& m : messages.messages()) {
            EXPECT_EQ(m.owner, window);
            shown.emplace_back(m.text, m.caption);
        }
        return shown;
    }

public:
    Messages SaveFailing(const std::string& path) { return Save(path); }
    long LiveBefore() const { return liveBefore; }
    bool FileShowsPicture(const std::string& path) const
    {
        std::vector<uint8_t> file = ReadWholeFile(path);
        return path.ends_with(".pcx") ? bool(PcxShowsPicture(file, picture, kWidth, kHeight, kWhite))
                                      : bool(BmpShowsPicture(file, picture, kWidth, kHeight));
    }

protected:
    bool FolderIsEmpty() const { return std::filesystem::is_empty(folder.path("")); }

    AppWindow* window = nullptr;
    char fileName[256] = {}; // where the save command leaves the chosen name
    std::vector<Color> picture;
    long liveBefore = 0;
    ScratchFolder folder;
    MessageRecorder messages;
    StandInSaveDialog dialog;
};

TEST_F(SnapshotTest, PromptOffersBmpThenPcxWithAnEmptyNameBox)
{
    std::strcpy(fileName, "/left/over/from/last/time.bmp");
    saveDialog.answer = SaveFileCancelled;
    EXPECT_TRUE(Save("").empty());

    EXPECT_EQ(saveDialog.opened, 1);
    EXPECT_EQ(saveDialog.owner, window);
    EXPECT_EQ(saveDialog.title, "Snapshot File Name");
    EXPECT_EQ(saveDialog.filters,
              (std::vector<std::string>{"Bitmap Files (*.bmp)", "*.bmp", "PCX Files (*.pcx)", "*.pcx"}));
    EXPECT_EQ(saveDialog.selectedFilter, 1);
    EXPECT_EQ(saveDialog.nameWhenOpened, "");
    EXPECT_EQ(saveDialog.fileName, fileName);
    EXPECT_EQ(saveDialog.fileNameSize, 256u);
    EXPECT_EQ(saveDialog.defaultExtension, "bmp");
    EXPECT_TRUE(saveDialog.askBeforeReplacing);
}

TEST_F(SnapshotTest, CancelledPromptWritesAndShowsNothing)
{
    saveDialog.answer = SaveFileCancelled;
    saveDialog.coverWindow = true;
    EXPECT_TRUE(Save(folder.path("never.bmp")).empty());
    EXPECT_TRUE(FolderIsEmpty());
    EXPECT_STREQ(fileName, "");
}

TEST_F(SnapshotTest, ExtensionChoosesTheWriterWhateverItsCase)
{
    std::string pcx = folder.path("shot.PCX");
    EXPECT_TRUE(Save(pcx).empty());
    EXPECT_STREQ(fileName, pcx.c_str());
    EXPECT_TRUE(PcxShowsPicture(ReadWholeFile(pcx), picture, kWidth, kHeight, kWhite));

    std::string bmp = folder.path("shot.Bmp");
    EXPECT_TRUE(Save(bmp).empty());
    EXPECT_TRUE(BmpShowsPicture(ReadWholeFile(bmp), picture, kWidth, kHeight));

    // The prompt appends "bmp" to a name typed without an extension.
    std::string typed = folder.path("typed") + "." + saveDialog.defaultExtension;
    EXPECT_TRUE(Save(typed).empty());
    EXPECT_TRUE(BmpShowsPicture(ReadWholeFile(typed), picture, kWidth, kHeight));
}

TEST_F(SnapshotTest, OtherNamesAreRefusedWithAMessageAndWriteNothing)
{
    const Messages refused = {{"File name must end in .bmp or .pcx", "About Bitmap"}};
    for (const std::string& name : {folder.path("shot.png"), folder.path("shot.bmpx"), folder.path("shot_bmp"),
                                    folder.path("shot"), folder.path("dir/")}) {
        EXPECT_EQ(Save(name), refused) << name;
        EXPECT_STREQ(fileName, name.c_str());
    }
    EXPECT_TRUE(FolderIsEmpty());
    // Nothing before the extension: not a name to write.
    EXPECT_EQ(Save(".bmp"), refused);
    EXPECT_EQ(Save(".pcx"), refused);
    EXPECT_FALSE(FileExists(".bmp"));
    EXPECT_FALSE(FileExists(".pcx"));
}

// A client area folded to nothing, in either direction: no prompt, no file.
TEST(SnapshotOfNothingTest, AClientAreaWithoutPixelsIsRefusedBeforeThePrompt)
{
    ScratchFolder folder;
    MessageRecorder messages;
    StandInSaveDialog dialog;
    for (const auto& [width, height] : {std::pair{40, 0}, std::pair{0, 30}, std::pair{0, 0}}) {
        AppWindow* window = OpenPictureWindow(width, height);
        ASSERT_NE(window, nullptr);
        const Rect client = GetClientArea(window);
        ASSERT_TRUE(client.right <= 0 || client.bottom <= 0) << width << "x" << height;
        saveDialog = SaveDialogScript{};
        saveDialog.path = folder.path("empty.bmp");
        messages.clear();
        char fileName[256] = "left over";
        const long liveBefore = LiveAllocationCount();
        MakeSnapshot(window, fileName, sizeof fileName);
        EXPECT_EQ(LiveAllocationCount(), liveBefore);
        ASSERT_EQ(messages.messages().size(), 1u) << width << "x" << height;
        EXPECT_EQ(messages.messages()[0].text, "Nothing to save: the client area is empty");
        EXPECT_EQ(messages.messages()[0].caption, "About Bitmap");
        EXPECT_EQ(messages.messages()[0].owner, window);
        EXPECT_EQ(saveDialog.opened, 0);
        EXPECT_STREQ(fileName, "");
        EXPECT_TRUE(std::filesystem::is_empty(folder.path("")));
        ClosePictureWindow(window);
    }
}

TEST_F(SnapshotTest, PictureIsTakenBeforeThePromptAndPutBackAfterIt)
{
    saveDialog.coverWindow = true;
    std::string bmp = folder.path("covered.bmp");
    EXPECT_TRUE(Save(bmp).empty());
    EXPECT_TRUE(BmpShowsPicture(ReadWholeFile(bmp), picture, kWidth, kHeight));
    EXPECT_EQ(ClientColors(window), picture);

    std::string pcx = folder.path("covered.pcx");
    EXPECT_TRUE(Save(pcx).empty());
    EXPECT_TRUE(PcxShowsPicture(ReadWholeFile(pcx), picture, kWidth, kHeight, kWhite));
    EXPECT_EQ(ClientColors(window), picture);
}

TEST_F(SnapshotTest, PathTooLongForTheNameBufferIsRefused)
{
    // 255 characters fit the buffer with its terminator.
    std::string base = folder.path("");
    std::string longest = base + std::string(255 - base.size() - 4, 'a') + ".bmp";
    ASSERT_EQ(longest.size(), 255u);
    EXPECT_TRUE(Save(longest).empty());
    EXPECT_TRUE(BmpShowsPicture(ReadWholeFile(longest), picture, kWidth, kHeight));
    std::filesystem::remove(longest);

    // 256 bytes, whether as 256 letters or as fewer letters of two bytes each.
    std::string cyrillic;
    while (base.size() + cyrillic.size() + 4 < 256)
        cyrillic += "ж";
    for (const std::string& tooLong : {base + std::string(256 - base.size() - 4, 'a') + ".bmp",
                                       base + cyrillic + ".bmp"}) {
        ASSERT_GE(tooLong.size(), 256u);
        EXPECT_EQ(Save(tooLong), (Messages{{"File name is too long: at most 255 bytes", "About Bitmap"}}));
        EXPECT_TRUE(FolderIsEmpty());
        EXPECT_STREQ(fileName, "");
    }
}

TEST_F(SnapshotTest, FailedWriterIsFollowedByTheCommandsOwnMessage)
{
    std::string missing = folder.path("missing/");
    EXPECT_EQ(Save(missing + "shot.pcx"),
              (Messages{{"CreateFile ERROR!", "About PCX"}, {"PCX file is not created", "About Bitmap"}}));
    EXPECT_EQ(Save(missing + "shot.bmp"),
              (Messages{{"CreateFile ERROR!", "About Bitmap"}, {"Bitmap file is not created", "About Bitmap"}}));
    EXPECT_TRUE(FolderIsEmpty());
}

// Fails each allocation of the command in turn. A run whose failed
// allocation the writer needs reports the writer's message and then the
// command's, writes no file and holds nothing afterwards; any other run
// writes the picture. Returns the writer messages seen.
std::set<std::string> FailEachAllocation(SnapshotTest& test, const std::string& path, const std::string& notCreated)
{
    std::set<std::string> seen;
    for (long n = 1; n <= 12; ++n) {
        std::filesystem::remove(path);
        FailNthAllocation(n);
        Messages shown = test.SaveFailing(path);
        FailNthAllocation(0);
        EXPECT_EQ(LiveAllocationCount(), test.LiveBefore()) << "allocation " << n;
        if (shown.empty()) {
            EXPECT_TRUE(test.FileShowsPicture(path)) << "allocation " << n;
            continue;
        }
        EXPECT_FALSE(FileExists(path)) << "allocation " << n;
        EXPECT_EQ(shown.size(), 2u) << "allocation " << n;
        EXPECT_EQ(shown.back(), std::make_pair(notCreated, std::string("About Bitmap"))) << "allocation " << n;
        seen.insert(shown.front().first);
    }
    return seen;
}

TEST_F(SnapshotTest, EveryFailedAllocationIsReportedAndNothingLeaks)
{
    // Without the picture's copy there is no bitmap to describe.
    EXPECT_EQ(FailEachAllocation(*this, folder.path("memory.bmp"), "Bitmap file is not created"),
              (std::set<std::string>{"Проблемы при выполнении GetObject", "Нет памяти для BITMAPINFO",
                                     "GlobalAlloc ERROR!"}));
    // The PCX is read from the window: the copy is not needed.
    EXPECT_EQ(FailEachAllocation(*this, folder.path("memory.pcx"), "PCX file is not created"),
              (std::set<std::string>{"Нет памяти для буфера строки!", "Нет памяти для кодов строки!"}));
}

}
