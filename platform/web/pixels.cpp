// The web backend's side of the paint objects and surfaces: pixel words,
// the writing of spans, the freeing of surfaces, and pixels read back.
#include <algorithm>

#include "platform/software/raster_shapes.h"
#include "platform/web/web_records.h"

uint32_t WordOfColor(Color color, PixelOrder order)
{
    if (order == OrderRgba)
        return 0xFF000000u | color; // a Color holds red in its low byte too
    return 0xFF000000u | uint32_t(ColorRed(color)) << 16 | uint32_t(ColorGreen(color)) << 8 | ColorBlue(color);
}

Color ColorOfWord(uint32_t word, PixelOrder order)
{
    if (order == OrderRgba)
        return word & 0xFFFFFFu;
    return MakeColor(uint8_t(word >> 16), uint8_t(word >> 8), uint8_t(word));
}

void FillSpan(DrawSurface* surface, int32_t x0, int32_t x1, int32_t y, Color color)
{
    const PixelImage& image = surface->target;
    if (!image.words || y < 0 || y >= image.height)
        return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, image.width);
    uint32_t* row = image.words + std::ptrdiff_t(y) * image.stride;
    const uint32_t word = WordOfColor(color, image.order);
    if (!surface->clipped) {
        if (x0 < x1)
            std::fill(row + x0, row + x1, word);
        return;
    }
    for (const Rect& r : surface->clip) {
        if (y < r.top || y >= r.bottom)
            continue;
        const int32_t from = std::max(x0, r.left);
        const int32_t to = std::min(x1, r.right);
        if (from < to)
            std::fill(row + from, row + to, word);
    }
}

SurfaceRecord& RecordOf(DrawSurface* surface)
{
    return *surface;
}

// Faces are shared and kept: a font object's going leaves its face.
void ReleaseFontFace(FontFace* /*face*/) {}

void FreeDrawSurface(DrawSurface* surface)
{
    delete surface;
}

Color ReadPixel(DrawSurface* surface, int32_t x, int32_t y)
{
    if (!surface || !surface->target.words || x < 0 || y < 0 || x >= surface->target.width ||
        y >= surface->target.height)
        return 0xFFFFFFFF;
    return ColorOfWord(surface->target.words[std::ptrdiff_t(y) * surface->target.stride + x], surface->target.order);
}
