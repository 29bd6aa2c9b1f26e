// A real main window on the offscreen platform, made fresh for each test
// from the program-start state, with message boxes recorded and the About
// dialog answered by a stand-in user so nothing modal blocks.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "app/app_state.h"
#include "app/main_window.h"
#include "platform/memory.h"
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
        previousDialogHandler = SetDialogBoxHandler(AnswerDialog);
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
        SetDialogBoxHandler(previousDialogHandler);
        EXPECT_EQ(LiveAllocationCount(), liveBefore);
        ResetProgramState();
    }

    // Every field zero or none except seriesHidden; the generators at their first states.
    static void ResetProgramState()
    {
        appState = AppState{};
        noiseState = kInitialNoiseState;
        backgroundState = kInitialBackgroundState;
    }

    void OpenWindow()
    {
        window = CreateMainWindow(CurrentInstance(), 0);
        ASSERT_NE(window, nullptr);
        appState.mainWindow = window;
        PumpMessages();
    }

    void Click(int32_t x, int32_t y)
    {
        UserPress(window, x, y);
        UserRelease(window, x, y);
        PumpMessages();
    }
    void ClickButton(int index) { Click(CentreX(appState.buttonRects[index]), CentreY(appState.buttonRects[index])); }
    void ChooseMenu(const char* menu, const char* item)
    {
        ASSERT_TRUE(UserChooseMenuItem(window, menu, item)) << menu << " / " << item;
        PumpMessages();
    }

    bool WindowClosed() const { return LiveWindowCount() == 0; }

    AppWindow* window = nullptr;
    long liveBefore = 0;
    MessageRecorder messages;
    DialogBoxHandler previousDialogHandler = nullptr;
};
