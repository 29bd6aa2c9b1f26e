// Driving the program's window as a user would, for tests on the offscreen
// platform. Every call goes through the toolkit's own event path.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

// Makes the toolkit's application object if there is none yet (tests only;
// the program's start-up code makes its own).
void EnsurePlatformStarted();

// Handles every pending event, paints included, until none is left.
void PumpMessages();

void UserPress(AppWindow* window, int32_t x, int32_t y);       // left button down at a client point
void UserRelease(AppWindow* window, int32_t x, int32_t y);     // left button up
void UserDoubleClick(AppWindow* window, int32_t x, int32_t y); // press, release, double-click press, release
// A key press with the given key code, to where the keyboard is: an open
// menu, else the window's focused part, else its client area.
void UserKey(AppWindow* window, int32_t keyCode);
void UserTapAlt(AppWindow* window);                            // Alt pressed and released alone
// Chooses a menu item by its menu's text and its own text, exactly as the resource spells them.
bool UserChooseMenuItem(AppWindow* window, const char* menuText, const char* itemText);
void UserCloseWindow(AppWindow* window);                       // the title bar's close box
void UserResizeClient(AppWindow* window, int32_t width, int32_t height);

// Windows that exist now (a destroyed window no longer counts).
int LiveWindowCount();
bool WindowIsMaximized(AppWindow* window);
// The window's title; valid until the window is destroyed.
const char* WindowTitle(AppWindow* window);
// The texts of the window's menu bar and items, one line each: "menu|item|id" (separator: "menu|-|0").
int WindowMenuDescription(AppWindow* window, char* buffer, int size);

// Where the keyboard is: "client", "menu bar: <highlighted menu>", "menu: <open
// menu>", or "elsewhere".
std::string KeyboardFocus(AppWindow* window);

// The pixel of the window's client image, as last painted.
Color ClientPixel(AppWindow* window, int32_t x, int32_t y);

// Whether PostQuit was called since the last ResetPostedQuit, and with which code.
bool QuitWasPosted(int* exitCode);
void ResetPostedQuit();
