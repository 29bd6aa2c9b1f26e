// Menu commands and the mouse and keyboard input of the main window. Clicks
// on the painted buttons and panels are turned into the same command ids the
// menu sends (res/resource_ids.h), so OnCommand carries out every action.
#pragma once

#include <cstdint>

#include "platform/types.h"

struct AppState;

void OnCommand(AppWindow* window, AppState& state, int commandId);

// Press (and double click, which acts as a press) of the left button.
void OnLButtonDown(AppWindow* window, AppState& state, int doubleClick, int32_t x, int32_t y);

// Release of the left button: a pick when the press was in the series panel too.
void OnLButtonUp(AppWindow* window, AppState& state, int32_t x, int32_t y);

// Vector coordinates under a client point of a panel (both edges inside);
// writes the first two entries of output, or of a new array of dimension
// entries when output is none, and returns it.
int32_t* ClickToVector(AppWindow* window, Rect panel, int32_t x, int32_t y, int32_t range, int32_t dimension,
                       int32_t* output);

void OnKeyDown(AppWindow* window, int keyCode);

void OnMouseMove(AppWindow* window, int32_t x, int32_t y);
