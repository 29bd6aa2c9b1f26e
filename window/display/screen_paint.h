// Painting of the main window's client area: the work rectangle, the title,
// the button bar and, through the panel painters, the two vector planes.
#pragma once

#include "platform/types.h"

constexpr Color kWorkAreaColor = 0xE1F0EB;     // pale green: the work rectangle and every button
constexpr Color kButtonEdgeColor = 0x7D7D7D;   // outer top and left edges, first inner shadow
constexpr Color kButtonShadowColor = 0xA5AAA5; // second inner shadow
constexpr Color kButtonLightColor = 0xFFFFFF;  // inner highlight

extern const char* const kTitleText;

// The paint handler of the main window: lays out the whole client area
// afresh, stores the layout in appState and draws everything.
void PaintMainWindow(AppWindow* window);

void DrawScreenLayout(DrawSurface* surface, Rect workRect);

// A raised button with its label centred across; both edges of rect inside.
void DrawButton(DrawSurface* surface, Rect rect, const char* label);
