// The window's work without a screen: the program's own main window, made on
// the toolkit's offscreen platform, driven as a user drives it (a pick is a
// press and release in the series panel, the other actions are presses on
// the button bar, a save is the Save image command). So a replay gives
// exactly the series, centres and pictures the window gives after the same
// actions. One replay runs at a time; each opens a main window of its own,
// with the program-start state, so replays that follow one another in a
// process give the same results.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/error_report.h"

struct DemoAction {
    enum Kind { Pick, Up, Down, Repeat, Restart, Search, Save };
    Kind kind = Pick;
    std::string text; // as the user wrote it
    int32_t x = 0;    // a pick's vector coordinates
    int32_t y = 0;
    std::string path; // a save's file
};

// One action word: pick:X,Y (coordinates within the window's plane), up,
// down, repeat, restart, search, save:FILE (.bmp or .pcx, letters in any
// case; whether the file can be written is the caller's to check).
ToolError ParseDemoAction(std::string_view text, DemoAction& action);

// What the window shows after an action.
struct DemoView {
    int32_t noise = 0;
    bool series = false;
    int32_t centre = 0;                 // 1-based element the result panel shows; 0 for none
    std::vector<int32_t> centreVector;  // its noisy coordinates; empty for none
};

// The current series: per element its identity and noisy coordinates.
struct DemoSeries {
    int32_t dimension = 0;
    std::vector<int32_t> identities;
    std::vector<int32_t> noisyValues; // row after row
};

// Opens the main window with a client area of width x height and checks that
// every action can be made there (each pick reachable by a click in the
// series panel, each button pressable), before anything runs.
ToolError OpenDemoWindow(int32_t width, int32_t height, const std::vector<DemoAction>& actions);

// Carries out one action and lets the window repaint. A save answers the
// window's save prompt with writePath.
ToolError RunDemoAction(const DemoAction& action, const std::string& writePath);

DemoView CurrentDemoView();

// Empty identities when no series exists.
DemoSeries CurrentDemoSeries();

void CloseDemoWindow();
