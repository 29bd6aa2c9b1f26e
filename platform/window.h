// Windows, messages, the message loop and modal dialogs.
//
// The program sees its one window through a window procedure: the platform
// turns the toolkit's events into the messages below and calls the procedure
// of the window's kind for each. Everything runs on one thread.
#pragma once

#include <cstdint>

#include "platform/types.h"

enum WindowMessage : uint32_t {
    MessageCreate = 1,          // the window is being made; a result of -1 makes creation fail
    MessageDestroy,             // the window is going away
    MessagePaint,               // part of the client area needs painting
    MessageClose,               // the user asked to close (close box, system menu)
    MessageCommand,             // p1: command id in the low 16 bits (menu item or sent)
    MessageKeyDown,             // p1: key code
    MessageMouseMove,           // p2: x in the low 16 bits, y in the high 16, both signed
    MessageLButtonDown,         // p2 as for MessageMouseMove
    MessageLButtonUp,           // p2 as for MessageMouseMove
    MessageLButtonDoubleClick,  // p2 as for MessageMouseMove; only for kinds that ask for it
    MessageInitDialog,          // to a dialog procedure, before the dialog is shown
};

// Packs client coordinates the way the mouse messages carry them in p2.
constexpr intptr_t PackPoint(int32_t x, int32_t y)
{
    return intptr_t((uint32_t(uint16_t(x)) | (uint32_t(uint16_t(y)) << 16)));
}

using WindowProcedure = intptr_t (*)(AppWindow* window, uint32_t message, uintptr_t p1, intptr_t p2);
using DialogProcedure = intptr_t (*)(DialogBox* dialog, uint32_t message, uintptr_t p1, intptr_t p2);

// Command ids that dialogs report.
constexpr int kCommandOk = 1;
constexpr int kCommandCancel = 2;

struct MenuResource;   // platform/resources.h
struct DialogResource; // platform/resources.h

// A kind of window, registered under its name before windows of it are made.
struct WindowKind {
    const char* name;
    WindowProcedure procedure;
    const MenuResource* menu;      // the menu bar of every window of this kind, or none
    bool redrawOnResize;           // repaint the whole client area after every size change
    bool wantsDoubleClicks;        // deliver MessageLButtonDoubleClick; otherwise a double click is two presses
};

// The running application: made by the platform's start-up code.
AppInstance* CurrentInstance();

bool RegisterWindowKind(const WindowKind* kind);

// Makes a top-level window of a registered kind. MessageCreate reaches the
// procedure before this returns; none when the kind is unknown or the
// procedure answered -1.
AppWindow* CreateAppWindow(AppInstance* instance, const char* kindName, const char* title);

void ShowWindowMaximized(AppWindow* window);

// Paints at once whatever part of the client area is invalid.
void UpdateAppWindow(AppWindow* window);

// Runs the message loop until PostQuit and returns the code posted.
int RunMessageLoop();

// Ends the message loop with the given code once the current message is done.
void PostQuit(int exitCode);

// Calls the window's procedure at once, nested in the caller, and returns its result.
intptr_t SendAppMessage(AppWindow* window, uint32_t message, uintptr_t p1, intptr_t p2);

// What happens to a message the procedure does not handle itself. MessageClose
// destroys the window: MessageDestroy reaches the procedure, then the window is gone.
intptr_t DefaultWindowProc(AppWindow* window, uint32_t message, uintptr_t p1, intptr_t p2);

// Marks a rectangle (right and bottom edges exclusive), or with none the whole
// client area, for painting; erase asks for the background to be filled first.
// The paint comes later, from the message loop.
void InvalidateArea(AppWindow* window, const Rect* area, bool erase);

// The client area: left and top 0, right and bottom its width and height.
Rect GetClientArea(AppWindow* window);

// Runs a modal dialog built from a dialog resource, owned by owner, until its
// procedure calls EndDialogBox; returns the result given there.
intptr_t RunDialogBox(AppInstance* instance, const DialogResource* resource, AppWindow* owner,
                      DialogProcedure procedure);
void EndDialogBox(DialogBox* dialog, intptr_t result);
