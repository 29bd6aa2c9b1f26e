// Painting of the main window's client area: the work rectangle, the title,
// the button bar and, through the panel painters, the two vector planes.
#pragma once

#include "display/panels.h"
#include "display/screen_layout.h"
#include "platform/drawing.h"
#include "platform/types.h"

constexpr Color kWorkAreaColor = 0xE1F0EB;     // pale green: the work rectangle and every button
constexpr Color kButtonEdgeColor = 0x7D7D7D;   // outer top and left edges, first inner shadow
constexpr Color kButtonShadowColor = 0xA5AAA5; // second inner shadow
constexpr Color kButtonLightColor = 0xFFFFFF;  // inner highlight

extern const char* const kTitleText;

// What a paint measured and laid out, for the window to keep: its input is
// tested against the rectangles of the latest paint.
struct PaintedScreen {
    PaintObject* savedFont;  // the font selected in the paint surface before the body font
    FontMetrics textMetrics; // of the body font
    int32_t lineHeight;
    int32_t charMaxWidth;
    int32_t charAveWidth;
    WorkArea area;
    ScreenLayout layout;
};

// The paint handler of the main window: lays out the whole client area afresh
// in the body font and draws what view shows (its line height is taken from
// this paint's own measure).
PaintedScreen PaintMainWindow(AppWindow* window, PaintObject* bodyFont, ScreenView view);

// A raised button with its label centred across; both edges of rect inside.
void DrawButton(DrawSurface* surface, Rect rect, const char* label, int32_t lineHeight);
