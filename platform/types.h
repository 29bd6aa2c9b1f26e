// Plain types shared by the program and its platform layer.
#pragma once

#include <cstdint>

// A colour as 0x00BBGGRR: red in the low byte, green next, blue third.
using Color = uint32_t;

constexpr Color MakeColor(uint8_t red, uint8_t green, uint8_t blue)
{
    return Color(red) | (Color(green) << 8) | (Color(blue) << 16);
}
constexpr uint8_t ColorRed(Color c) { return uint8_t(c & 0xFF); }
constexpr uint8_t ColorGreen(Color c) { return uint8_t((c >> 8) & 0xFF); }
constexpr uint8_t ColorBlue(Color c) { return uint8_t((c >> 16) & 0xFF); }

// Left, top, right, bottom in client coordinates. Whether the right and
// bottom edges belong to the rectangle is said by each user.
struct Rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

struct Extent {
    int32_t cx;
    int32_t cy;
};

// Opaque handles of the platform layer.
struct AppInstance;   // the running application
struct AppWindow;     // a top-level window
struct DialogBox;     // a modal dialog while it runs
struct DrawSurface;   // a drawing context: a window's client image or a memory surface
struct PaintObject;   // a pen, a brush or a font
struct SurfaceBitmap; // an off-screen bitmap that a memory surface draws into
