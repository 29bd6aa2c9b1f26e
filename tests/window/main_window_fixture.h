// A real main window on the offscreen platform, made fresh for each test
// from the program-start state, with message boxes recorded and the About
// dialog answered by a stand-in user (through the dialog hook of test
// builds) so nothing modal blocks.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>

#include "app/app_state.h"
#include "app/main_window.h"
#include "seams/test_seams.h"
#include "platform/testing.h"
#include "platform/window.h"
#include "support/recording_message_box.h"
#include "vectors/noise_generators.h"

// What the stand-in user did with the dialogs the program opened.
struct DialogLog {
    int opened = 0;
    const DialogResource* resource = nullptr;
    AppWindow* owner = nullptr;
    int answer = kCommandOk; // the command the user gives after the dialog is shown
    intptr_t initResult = 0;
    intptr_t commandResult = 0;
};

inline DialogLog dialogLog;

inline void AnswerDialog(DialogBox* dialog, const DialogResource* resource, AppWindow* owner,
                         DialogProcedure procedure)
{
    ++dialogLog.opened;
    dialogLog.resource = resource;
    dialogLog.owner = owner;
    dialogLog.initResult = procedure(dialog, MessageInitDialog, 0, 0);
    dialogLog.commandResult = procedure(dialog, MessageCommand, uintptr_t(dialogLog.answer), 0);
}

inline int32_t CentreX(const Rect& r) { return (r.left + r.right) / 2; }
inline int32_t CentreY(const Rect& r) { return (r.top + r.bottom) / 2; }

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        EnsurePlatformStarted();
        ResetProgramState();
        ResetPostedQuit();
        dialogLog = DialogLog{};
        testHooks.showDialogBox = AnswerDialog;
        liveBefore = LiveAllocationCount();
        static const bool registered = RegisterMainWindowClass(CurrentInstance());
        ASSERT_TRUE(registered);
    }

    void TearDown() override
    {
        FailNthAllocation(0);
        if (window && LiveWindowCount() > 0) {
            UserCloseWindow(window);
            PumpMessages();
        }
        testHooks.showDialogBox = nullptr;
        EXPECT_EQ(LiveAllocationCount(), liveBefore);
        ResetProgramState();
    }

    // The process-wide generators at their first states (the window has its own).
    static void ResetProgramState()
    {
        noiseState = kInitialNoiseState;
        backgroundState = kInitialBackgroundState;
    }

    // The state of the window under test, while it is open.
    AppState& State() const
    {
        AppState* state = MainWindowState(window);
        if (!state)
            throw std::logic_error("the window under test has no state: it is not open");
        return *state;
    }

    void OpenWindow()
    {
        window = CreateMainWindow(CurrentInstance(), 0);
        ASSERT_NE(window, nullptr);
        PumpMessages();
    }

    void Click(int32_t x, int32_t y)
    {
        UserPress(window, x, y);
        UserRelease(window, x, y);
        PumpMessages();
    }
    void ClickButton(int index) { Click(CentreX(State().buttonRects[index]), CentreY(State().buttonRects[index])); }
    void ChooseMenu(const char* menu, const char* item)
    {
        ASSERT_TRUE(UserChooseMenuItem(window, menu, item)) << menu << " / " << item;
        PumpMessages();
    }

    bool WindowClosed() const { return LiveWindowCount() == 0; }

    AppWindow* window = nullptr;
    long liveBefore = 0;
    MessageRecorder messages;
};
