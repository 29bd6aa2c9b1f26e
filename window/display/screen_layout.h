// The arithmetic of the client area's layout, kept apart from the drawing so
// that it can be checked to the pixel. Every rectangle holds both of its
// edges; every division truncates toward zero.
#pragma once

#include <cstdint>

#include "platform/types.h"

// The buttons of the bar, left to right.
enum ButtonIndex : int { RepeatButton, NoiseUpButton, NoiseDownButton, RestartButton, SearchButton, ExitButton };
constexpr int kButtonCount = ExitButton + 1;

// Labels of the button bar, in the same order, blanks included.
extern const char* const kButtonLabels[kButtonCount];

// The margins and the work rectangle inside them.
struct WorkArea {
    int32_t marginX;
    int32_t marginY;
    Rect workRect;
};

// From the client rectangle as the platform gives it (right and bottom are
// the width and height).
WorkArea LayOutWorkArea(Rect client);

// The body font's measures and the margins the layout reads.
struct LayoutMetrics {
    int32_t lineHeight;
    int32_t charAveWidth;
    int32_t marginX;
    int32_t marginY;
};

struct ScreenLayout {
    int32_t titleX, titleY;  // top-left corner of the title text
    int32_t textLineY;       // the line below the title
    int32_t availableHeight; // from the text line down to the work rectangle's bottom
    int32_t buttonWidth, buttonHeight;
    int32_t panelSide;
    int32_t panelGap;        // left of, and between, the two panels
    Rect buttonRects[kButtonCount];
    Rect seriesPanelRect;
    Rect resultPanelRect;
};

// Lays out the title, the button bar and the two panels in the work
// rectangle; the buttons are as wide as the widest label plus five average
// characters. When the client area is too low the gaps shrink in stages and
// at last the panels shrink to fill the height exactly.
ScreenLayout LayOutScreen(Rect workRect, LayoutMetrics metrics, int32_t widestLabelWidth);
