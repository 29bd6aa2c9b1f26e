// Paint and window surfaces over the client image, memory surfaces drawing
// into bitmaps, and copying between them.
#include <algorithm>
#include <vector>

#include "platform/bitmap.h"
#include "platform/software/bitmap_record.h"
#include "platform/web/web_records.h"

namespace {

// A bitmap's rows as pixel words: only 32-bit bitmaps, the display's depth,
// are drawn into; a memory surface over another draws nothing.
PixelImage ImageOfBitmap(SurfaceBitmap* bitmap)
{
    if (!bitmap || bitmap->planes != 1 || bitmap->bitsPerPixel != 32 || !bitmap->pixels)
        return {};
    return {reinterpret_cast<uint32_t*>(bitmap->pixels), bitmap->width, bitmap->height, bitmap->stride / 4, OrderBgra};
}

void Fill(const PixelImage& image, const Rect& r, uint32_t word)
{
    const int32_t left = std::max(r.left, 0);
    const int32_t right = std::min(r.right, image.width);
    for (int32_t y = std::max(r.top, 0); y < std::min(r.bottom, image.height) && left < right; ++y) {
        uint32_t* row = image.words + std::ptrdiff_t(y) * image.stride;
        std::fill(row + left, row + right, word);
    }
}

} // namespace

DrawSurface* BeginPaintSurface(AppWindow* window)
{
    if (!WindowIsLive(window))
        return nullptr;
    FitClientImage(window);
    ProvidePixels(window);
    ++window->paintsBegun;
    DrawSurface* surface = new DrawSurface(SurfacePaint, window, window->image);
    surface->clipped = true;
    surface->clip = window->invalid;
    BeginTextsOfPaint(window);
    for (const Rect& r : surface->clip) {
        if (window->eraseWanted)
            Fill(window->image, r, WordOfColor(MakeColor(255, 255, 255), OrderRgba));
        ForgetTextsIn(window, r);
    }
    // The area now belongs to this paint; what is invalidated meanwhile waits for the next.
    window->invalid.clear();
    window->eraseWanted = false;
    return surface;
}

void EndPaintSurface(AppWindow* window, DrawSurface* surface)
{
    if (!surface)
        return;
    if (WindowIsLive(window)) {
        if (!surface->clip.empty())
            ShowClientImage(window, BoundingBox(surface->clip));
        PublishShownTexts(window);
    }
    FreeDrawSurface(surface);
}

DrawSurface* OpenWindowSurface(AppWindow* window)
{
    if (!WindowIsLive(window))
        return nullptr;
    FitClientImage(window);
    ProvidePixels(window);
    BeginTextsOfPaint(window);
    return new DrawSurface(SurfaceWindow, window, window->image);
}

void CloseWindowSurface(AppWindow* window, DrawSurface* surface)
{
    if (!surface)
        return;
    FreeDrawSurface(surface);
    if (WindowIsLive(window)) {
        ShowClientImage(window, {0, 0, window->image.width, window->image.height});
        PublishShownTexts(window);
    }
}

DrawSurface* CreateMemorySurface(DrawSurface* /*like*/)
{
    return new DrawSurface(SurfaceMemory, nullptr, {});
}

void DrawIntoBitmap(DrawSurface* memory, SurfaceBitmap* bitmap)
{
    memory->target = ImageOfBitmap(bitmap);
}

void CopySurfaceArea(DrawSurface* destination, int32_t x, int32_t y, int32_t width, int32_t height,
                     DrawSurface* source, int32_t sourceX, int32_t sourceY)
{
    if (!destination || !source || !destination->target.words || !source->target.words || width <= 0 ||
        height <= 0)
        return;
    // A copy of the block's colours first, so that a surface copied onto
    // itself reads what it had; pixels outside the source come out black.
    const PixelImage& from = source->target;
    std::vector<Color> block(std::size_t(width) * std::size_t(height), MakeColor(0, 0, 0));
    for (int32_t row = 0; row < height; ++row) {
        const int32_t sy = sourceY + row;
        if (sy < 0 || sy >= from.height)
            continue;
        for (int32_t column = 0; column < width; ++column) {
            const int32_t sx = sourceX + column;
            if (sx >= 0 && sx < from.width)
                block[std::size_t(row) * std::size_t(width) + std::size_t(column)] =
                    ColorOfWord(from.words[std::ptrdiff_t(sy) * from.stride + sx], from.order);
        }
    }
    const PixelImage& to = destination->target;
    const std::vector<Rect> whole = {{x, y, x + width, y + height}};
    for (const Rect& area : destination->clipped ? destination->clip : whole) {
        for (int32_t ty = std::max({y, area.top, 0}); ty < std::min({y + height, area.bottom, to.height}); ++ty) {
            for (int32_t tx = std::max({x, area.left, 0}); tx < std::min({x + width, area.right, to.width}); ++tx)
                to.words[std::ptrdiff_t(ty) * to.stride + tx] =
                    WordOfColor(block[std::size_t(ty - y) * std::size_t(width) + std::size_t(tx - x)], to.order);
        }
    }
    if (destination->window)
        ShowClientImage(destination->window, {x, y, x + width, y + height});
}
