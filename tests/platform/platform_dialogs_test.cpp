// Modal dialogs, the message box and the save prompt: their test seams, and
// the toolkit's own windows answered by a stand-in user.
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>


#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "export/snapshot.h"
#include "platform/message_box.h"
#include "platform/common/save_prompt.h"
#include "platform/qt/modal_driver.h"
#include "platform/qt/toolkit_message_box.h"
#include "platform/save_dialog.h"
#include "platform/test_hooks.h"
#include "platform_test_window.h"
#include "res/resources.h"

namespace {

struct DialogTrace {
    std::vector<uint32_t> messages;
    std::vector<uintptr_t> commands;
    bool endOnInit = false;
};
DialogTrace dialogTrace;

// Ends the dialog with whichever of OK or Cancel reaches it, as the program's own does.
intptr_t TraceDialogProc(DialogBox* dialog, uint32_t message, uintptr_t p1, intptr_t)
{
    dialogTrace.messages.push_back(message);
    if (message == MessageInitDialog && dialogTrace.endOnInit)
        EndDialogBox(dialog, 77);
    if (message == MessageCommand) {
        dialogTrace.commands.push_back(p1);
        if (p1 == uintptr_t(kCommandOk) || p1 == uintptr_t(kCommandCancel)) {
            EndDialogBox(dialog, intptr_t(p1));
            return 1;
        }
    }
    return message == MessageInitDialog ? 1 : 0;
}

void AnswerWithCancel(DialogBox* dialog, const DialogResource*, AppWindow*, DialogProcedure procedure)
{
    procedure(dialog, MessageInitDialog, 0, 0);
    procedure(dialog, MessageCommand, kCommandCancel, 0);
}

class DialogsTest : public PlatformWindowTest {
protected:
    void SetUp() override
    {
        PlatformWindowTest::SetUp();
        dialogTrace = DialogTrace{};
        ASSERT_NE(Make(), nullptr);
    }

    // Replaces the plain window with one that has the program's menu bar.
    void RemakeWithMenu()
    {
        static const WindowKind withMenu = {"PlatformTestMenu", TestWindowProc, &kMainMenu, true, false};
        ASSERT_TRUE(RegisterWindowKind(&withMenu));
        UserCloseWindow(window);
        ASSERT_NE(Make("PlatformTestMenu"), nullptr);
    }
};

TEST_F(DialogsTest, TheDialogHookDrivesTheProcedureAndReturnsItsResult)
{
    testHooks.showDialogBox = AnswerWithCancel;
    EXPECT_EQ(RunDialogBox(CurrentInstance(), &kAboutDialog, window, TraceDialogProc), kCommandCancel);
    testHooks.showDialogBox = nullptr;
    EXPECT_EQ(dialogTrace.messages, (std::vector<uint32_t>{MessageInitDialog, MessageCommand}));
}

TEST_F(DialogsTest, ADialogEndedWhileStartingIsNeverShown)
{
    dialogTrace.endOnInit = true;
    EXPECT_EQ(RunDialogBox(CurrentInstance(), &kAboutDialog, window, TraceDialogProc), 77);
    EXPECT_EQ(dialogTrace.messages, (std::vector<uint32_t>{MessageInitDialog}));
}

TEST_F(DialogsTest, NothingIsShownWithoutAResourceAProcedureOrARequest)
{
    EXPECT_EQ(RunDialogBox(CurrentInstance(), nullptr, window, TraceDialogProc), -1);
    EXPECT_EQ(RunDialogBox(CurrentInstance(), &kAboutDialog, window, nullptr), -1);
    EXPECT_EQ(RunSaveFileDialog(nullptr), SaveFileCancelled);
    EndDialogBox(nullptr, 1);
    EXPECT_TRUE(dialogTrace.messages.empty());
}

// OK (Enter), Escape and the close box all reach the procedure as commands.
TEST_F(DialogsTest, TheAboutDialogEndsThroughItsProcedureHoweverItIsClosed)
{
    struct Case {
        ModalAnswer answer;
        uintptr_t command;
    };
    for (const Case c : {Case{AnswerEnter, kCommandOk}, Case{AnswerEscape, kCommandCancel},
                         Case{AnswerCloseBox, kCommandCancel}}) {
        dialogTrace = DialogTrace{};
        AnswerNextModal(c.answer);
        EXPECT_EQ(RunDialogBox(CurrentInstance(), &kAboutDialog, window, TraceDialogProc), intptr_t(c.command));
        EXPECT_EQ(dialogTrace.commands, std::vector<uintptr_t>{c.command});
        const ModalSeen seen = LastModalSeen();
        EXPECT_TRUE(seen.answered);
        EXPECT_EQ(seen.caption, "About");
        EXPECT_EQ(seen.buttons, std::vector<std::string>{"OK"});
        EXPECT_EQ(seen.labels, std::vector<std::string>{"Kestrand Version 1.0"});
        EXPECT_EQ(seen.pictureWidths, std::vector<int>{32}); // the icon's large image
    }
    EXPECT_EQ(LiveWindowCount(), livingBefore + 1);
}

// The resource asks for the "System" font at 8 points, whose dialog units are
// 8 / 4 pixels across and 16 / 8 down: 230 x 75 units make 460 x 150 pixels,
// placed (22, 17) units from the corner of the owner's client area, below
// its menu bar.
TEST_F(DialogsTest, TheAboutDialogHasTheSizeAndPlaceOfItsResourceInSystemFontUnits)
{
    ASSERT_NO_FATAL_FAILURE(RemakeWithMenu());

    AnswerNextModal(AnswerEnter);
    RunDialogBox(CurrentInstance(), &kAboutDialog, window, TraceDialogProc);
    const ModalSeen seen = LastModalSeen();
    ASSERT_TRUE(seen.answered);
    EXPECT_EQ(seen.clientWidth, 460);
    EXPECT_EQ(seen.clientHeight, 150);
    EXPECT_EQ(seen.clientX, 44);
    EXPECT_EQ(seen.clientY, 34);
}

TEST_F(DialogsTest, TheToolkitMessageBoxShowsTextCaptionAndOneOkButton)
{
    AnswerNextModal(AnswerEnter);
    ShowToolkitMessageBox(window, "CreateFile ERROR!", "About Bitmap");
    ModalSeen seen = LastModalSeen();
    EXPECT_TRUE(seen.answered);
    EXPECT_EQ(seen.caption, "About Bitmap");
    EXPECT_EQ(seen.text, "CreateFile ERROR!");
    EXPECT_EQ(seen.buttons, std::vector<std::string>{"OK"});

    // Installed as the handler, with no caption given: "Error".
    const MessageBoxHandler previous = SetMessageBoxHandler(ShowToolkitMessageBox);
    AnswerNextModal(AnswerEscape);
    ShowMessageBox(nullptr, "Нет памяти для newVectorHeader!", nullptr);
    SetMessageBoxHandler(previous);
    seen = LastModalSeen();
    EXPECT_EQ(seen.caption, "Error");
    EXPECT_EQ(seen.text, "Нет памяти для newVectorHeader!");
}

// The About dialog, a message box and the save prompt each give the keyboard
// back to the window's client area when they close.
TEST_F(DialogsTest, TheKeyboardReturnsToTheWindowAfterEveryModalWindow)
{
    ASSERT_NO_FATAL_FAILURE(RemakeWithMenu());
    ShowWindowMaximized(window);
    PumpMessages();
    char name[256] = "";
    const std::vector<std::pair<const char*, std::function<void()>>> modals = {
        {"About", [&] { RunDialogBox(CurrentInstance(), &kAboutDialog, window, TraceDialogProc); }},
        {"message box", [&] { ShowToolkitMessageBox(window, "CreateFile ERROR!", "About Bitmap"); }},
        {"save prompt", [&] {
             SaveFileRequest request = SnapshotSaveRequest(window, name, sizeof name);
             RunSaveFileDialog(&request);
         }},
    };
    for (const auto& [what, open] : modals) {
        UserTapAlt(window); // the keyboard starts elsewhere: in the menu bar
        ASSERT_NE(KeyboardFocus(window), "client") << what;
        AnswerNextModal(AnswerEscape);
        open();
        EXPECT_TRUE(LastModalSeen().answered) << what;
        PumpMessages();
        EXPECT_EQ(KeyboardFocus(window), "client") << what;
    }
}

std::string ScratchFolder()
{
    char pattern[] = "/tmp/kv_platform_XXXXXX";
    const char* made = mkdtemp(pattern);
    return made ? made : "/tmp";
}

TEST_F(DialogsTest, TheSavePromptOffersTheFiltersAndAppendsTheDefaultExtension)
{
    const std::string folder = ScratchFolder();
    char name[256] = "left over";
    SaveFileRequest request = SnapshotSaveRequest(window, name, sizeof name);
    AnswerNextModal(AnswerEnter, (folder + "/picture").c_str());
    EXPECT_EQ(RunSaveFileDialog(&request), SaveFileConfirmed);
    EXPECT_EQ(std::string(name), folder + "/picture.bmp");
    const ModalSeen seen = LastModalSeen();
    EXPECT_EQ(seen.caption, "Snapshot File Name");
    EXPECT_EQ(seen.filters, (std::vector<std::string>{"Bitmap Files (*.bmp)", "PCX Files (*.pcx)"}));
    EXPECT_EQ(seen.selectedFilter, "Bitmap Files (*.bmp)");
    EXPECT_EQ(seen.nameBox, "");
    EXPECT_TRUE(seen.confirmsOverwrite);
    EXPECT_EQ(seen.defaultSuffix, "bmp");

    AnswerNextModal(AnswerEnter, (folder + "/Picture.PCX").c_str());
    EXPECT_EQ(RunSaveFileDialog(&request), SaveFileConfirmed);
    EXPECT_EQ(std::string(name), folder + "/Picture.PCX");
    rmdir(folder.c_str());
}

TEST_F(DialogsTest, ACancelledSavePromptLeavesAnEmptyName)
{
    char name[256] = "left over";
    SaveFileRequest request = SnapshotSaveRequest(window, name, sizeof name);
    AnswerNextModal(AnswerEscape, "/tmp/never");
    EXPECT_EQ(RunSaveFileDialog(&request), SaveFileCancelled);
    EXPECT_EQ(name[0], '\0');
}

TEST_F(DialogsTest, APathThatDoesNotFitTheBufferIsRefusedWithAnEmptyName)
{
    char name[16] = "left over";
    SaveFileRequest request = SnapshotSaveRequest(window, name, sizeof name);
    AnswerNextModal(AnswerEnter, "/tmp/a_name_that_is_too_long.bmp");
    EXPECT_EQ(RunSaveFileDialog(&request), SaveFileNameTooLong);
    EXPECT_EQ(name[0], '\0');

    // Exactly full, terminator included, still fits.
    EXPECT_EQ(StoreChosenPath(&request, "/tmp/abcdef.bmp"), SaveFileConfirmed);
    EXPECT_STREQ(name, "/tmp/abcdef.bmp");
    EXPECT_EQ(StoreChosenPath(&request, "/tmp/abcdefg.bmp"), SaveFileNameTooLong);
    EXPECT_EQ(name[0], '\0');
}

TEST_F(DialogsTest, ChoosingAnExistingFileAsksBeforeReplacingIt)
{
    const std::string folder = ScratchFolder();
    const std::string existing = folder + "/old.bmp";
    std::FILE* file = std::fopen(existing.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    char name[256] = "";
    SaveFileRequest request = SnapshotSaveRequest(window, name, sizeof name);
    // The user picks the file, refuses to replace it (the box's default), then gives up.
    AnswerNextModal(AnswerEnter, existing.c_str());
    AnswerNextModal(AnswerEscape);
    AnswerNextModal(AnswerEscape);
    EXPECT_EQ(RunSaveFileDialog(&request), SaveFileCancelled);
    EXPECT_EQ(name[0], '\0');
    // Agreeing to replace it gives its name.
    AnswerNextModal(AnswerEnter, existing.c_str());
    AnswerNextModal(AnswerButton, "Yes");
    EXPECT_EQ(RunSaveFileDialog(&request), SaveFileConfirmed);
    EXPECT_EQ(std::string(name), existing);
    std::remove(existing.c_str());
    rmdir(folder.c_str());
}

// The names of the files in the watched folder that were opened, as inotify reported them.
std::vector<std::string> OpenedFiles(int watch)
{
    std::vector<std::string> names;
    alignas(inotify_event) char events[4096];
    ssize_t length;
    while ((length = read(watch, events, sizeof events)) > 0) {
        for (char* at = events; at < events + length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            if (event->len > 0)
                names.push_back(event->name);
            at += sizeof(inotify_event) + event->len;
        }
    }
    return names;
}

// The prompt works out what it lists from names and kinds alone: a typed
// path whose type would need its content is not opened, and one under /proc
// (whose files can block when read) does not freeze the window.
TEST_F(DialogsTest, TheSavePromptNeverReadsTheFilesItIsShown)
{
    const std::string folder = ScratchFolder();
    const std::string script = folder + "/script";
    std::FILE* file = std::fopen(script.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("#!/bin/sh\n", file);
    std::fclose(file);
    const std::string sub = folder + "/sub";
    ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, folder.c_str(), IN_OPEN), 0);

    char name[256] = "";
    SaveFileRequest request = SnapshotSaveRequest(window, name, sizeof name);
    // A prompt that blocks ends the test program instead of hanging it.
    alarm(180);
    AnswerNextModal(AnswerBrowse, folder.c_str());
    EXPECT_EQ(RunSaveFileDialog(&request), SaveFileCancelled);
    EXPECT_EQ(LastModalSeen().listed, std::vector<std::string>{"sub"}); // the filter hides the script
    for (const std::string& typed : {script, std::string("/proc/kmsg")}) {
        AnswerNextModal(AnswerEscape, typed.c_str());
        EXPECT_EQ(RunSaveFileDialog(&request), SaveFileCancelled) << typed;
    }
    AnswerNextModal(AnswerBrowse, "/proc");
    EXPECT_EQ(RunSaveFileDialog(&request), SaveFileCancelled);
    EXPECT_FALSE(LastModalSeen().listed.empty());
    alarm(0);
    EXPECT_EQ(OpenedFiles(watch), std::vector<std::string>{});
    close(watch);
    std::remove(script.c_str());
    rmdir(sub.c_str());
    rmdir(folder.c_str());
}

SaveFileResult ChooseFixedName(SaveFileRequest* request)
{
    return StoreChosenPath(request, "/tmp/seam.pcx");
}

TEST_F(DialogsTest, TheSavePromptSeamReplacesThePrompt)
{
    char name[256] = "";
    SaveFileRequest request = SnapshotSaveRequest(window, name, sizeof name);
    const SaveFileDialogHandler previous = SetSaveFileDialogHandler(ChooseFixedName);
    EXPECT_EQ(RunSaveFileDialog(&request), SaveFileConfirmed);
    EXPECT_STREQ(name, "/tmp/seam.pcx");
    EXPECT_EQ(SetSaveFileDialogHandler(previous), ChooseFixedName);
}

} // namespace
