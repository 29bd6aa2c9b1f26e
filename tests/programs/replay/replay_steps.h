// The steps of a scripted run of the window, shared by the drivers that play
// them on each backend, so the same script means the same clicks on both.
//
// One step a line:
//   size W H            bring the client area to W x H (where the platform lets a driver resize)
//   pick PX PY          press and release in the series panel, PX and PY per cent across and down it
//   point X Y           press and release at the client point (X, Y)
//   button LABEL        press and release at the centre of the button whose label, blanks left out, is LABEL
//   menu MENU|ITEM      choose a menu item by its texts as the resource spells them
//   answer CAPTION|TEXT answer the modal window of that caption: type TEXT into its name box, if given, then OK
//   grab PATH           write the client area, as shown, to a 24-bit BMP file
//   state               write the window's state to the log
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/types.h"

struct AppState;

struct ReplayStep {
    std::string verb;
    std::vector<std::string> words; // the rest of the line split at blanks
    std::string rest;               // the rest of the line as written, after one blank
};

// The steps of a script file; an unreadable file gives none.
std::vector<ReplayStep> ReadReplayScript(const std::string& path);

// The client point a pick, point or button step presses, from the layout of
// the window's latest paint (state); false for a step of another verb, an
// unknown label, or a pick or button once the window is gone (no state).
bool ReplayClickPoint(const AppState* state, const ReplayStep& step, int32_t* x, int32_t* y);

// Writes width x height pixels, read top-down through pixel, as a 24-bit BMP.
bool WriteReplayPicture(const std::string& path, int32_t width, int32_t height,
                        const std::function<Color(int32_t x, int32_t y)>& pixel);

// The line "state" writes: the layout of the latest paint; "layout none"
// once the window is gone (no state).
std::string ReplayLayoutLine(const AppState* state);
