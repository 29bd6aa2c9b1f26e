// The program's entry, its one main window and the About dialog.
#pragma once

#include <cstdint>

#include "platform/types.h"

// Registers the window kind, makes the main window and runs the message loop;
// returns the code the quit message carries.
int RunApplication(AppInstance* instance, AppInstance* previousInstance, const char* commandLine, int showCommand);

bool RegisterMainWindowClass(AppInstance* instance);

// The main window, shown maximised and painted once; none when it cannot be made.
AppWindow* CreateMainWindow(AppInstance* instance, int showCommand);

intptr_t MainWindowProc(AppWindow* window, uint32_t message, uintptr_t p1, intptr_t p2);

intptr_t AboutDialogProc(DialogBox* dialog, uint32_t message, uintptr_t p1, intptr_t p2);
