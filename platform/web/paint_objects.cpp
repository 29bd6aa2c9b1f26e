// Pens, brushes and their selection into surfaces, the drawing primitives
// that use them, and the writing of pixels.
#include <algorithm>
#include <unordered_set>

#include "platform/software/raster_shapes.h"
#include "platform/web/web_records.h"

namespace {

// Every object handed out and not yet freed, so that a second delete or a
// stale handle is recognised and ignored instead of touching freed memory.
std::unordered_set<PaintObject*>& LiveObjects()
{
    static std::unordered_set<PaintObject*> live;
    return live;
}

PaintObject* StockObject(PaintObjectSort sort, Color color)
{
    auto* object = new PaintObject;
    object->sort = sort;
    object->color = color;
    object->stock = true;
    return object;
}

PaintObject* StockBlackPen()
{
    static PaintObject* pen = StockObject(SortPen, MakeColor(0, 0, 0));
    return pen;
}

PaintObject* StockWhiteBrush()
{
    static PaintObject* brush = StockObject(SortBrush, MakeColor(255, 255, 255));
    return brush;
}

// Compares handles only, so a stale one is never read.
bool IsUsable(PaintObject* object)
{
    return object == StockBlackPen() || object == StockWhiteBrush() || object == StockBodyFont() ||
           LiveObjects().count(object) != 0;
}

void FreeObject(PaintObject* object)
{
    LiveObjects().erase(object);
    delete object;
}

void Hold(PaintObject* object)
{
    ++object->selections;
}

// A surface lets go of an object; one deleted while selected goes now.
void LetGo(PaintObject* object)
{
    --object->selections;
    if (object->deletePending && object->selections == 0)
        FreeObject(object);
}

PaintObject*& SlotOf(DrawSurface* surface, PaintObjectSort sort)
{
    switch (sort) {
    case SortPen:
        return surface->pen;
    case SortBrush:
        return surface->brush;
    default:
        return surface->font;
    }
}

} // namespace

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

PaintObject* NewPaintObject(PaintObjectSort sort, Color color)
{
    auto* object = new PaintObject;
    object->sort = sort;
    object->color = color;
    LiveObjects().insert(object);
    return object;
}

DrawSurface* NewDrawSurface(SurfaceSort sort, AppWindow* window, PixelImage target)
{
    auto* surface = new DrawSurface;
    surface->sort = sort;
    surface->window = window;
    surface->target = target;
    surface->pen = StockBlackPen();
    surface->brush = StockWhiteBrush();
    surface->font = StockBodyFont();
    Hold(surface->pen);
    Hold(surface->brush);
    Hold(surface->font);
    return surface;
}

void FreeDrawSurface(DrawSurface* surface)
{
    LetGo(surface->pen);
    LetGo(surface->brush);
    LetGo(surface->font);
    delete surface;
}

PaintObject* CreatePenOfColor(Color color)
{
    return NewPaintObject(SortPen, color);
}

PaintObject* CreateBrushOfColor(Color color)
{
    return NewPaintObject(SortBrush, color);
}

PaintObject* SelectPaintObject(DrawSurface* surface, PaintObject* object)
{
    if (!surface || !IsUsable(object) || object->deletePending)
        return nullptr;
    PaintObject*& slot = SlotOf(surface, object->sort);
    PaintObject* previous = slot;
    Hold(object);
    slot = object;
    const bool previousGoes = previous->deletePending && previous->selections == 1;
    LetGo(previous);
    return previousGoes ? nullptr : previous;
}

void DeletePaintObject(PaintObject* object)
{
    if (!IsUsable(object) || object->stock)
        return;
    if (object->selections > 0) {
        object->deletePending = true;
        return;
    }
    FreeObject(object);
}

TextBackgroundMode SetTextBackgroundMode(DrawSurface* surface, TextBackgroundMode mode)
{
    if (!surface)
        return BackgroundOpaque;
    const TextBackgroundMode previous = surface->backgroundMode;
    if (mode == BackgroundTransparent || mode == BackgroundOpaque)
        surface->backgroundMode = mode;
    return previous;
}

void PaintRectangle(DrawSurface* surface, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    if (surface)
        RasterRectangle(surface, left, top, right, bottom, surface->pen->color, surface->brush->color);
}

void PaintEllipse(DrawSurface* surface, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    if (surface)
        RasterEllipse(surface, left, top, right, bottom, surface->pen->color, surface->brush->color);
}

void MovePenTo(DrawSurface* surface, int32_t x, int32_t y)
{
    if (!surface)
        return;
    surface->penX = x;
    surface->penY = y;
}

void PaintLineTo(DrawSurface* surface, int32_t x, int32_t y)
{
    if (!surface)
        return;
    RasterLine(surface, surface->penX, surface->penY, x, y, surface->pen->color);
    MovePenTo(surface, x, y);
}

Color ReadBackgroundColor(DrawSurface* surface)
{
    return surface ? surface->backgroundColor : 0xFFFFFFFF;
}

Color ReadPixel(DrawSurface* surface, int32_t x, int32_t y)
{
    if (!surface || !surface->target.words || x < 0 || y < 0 || x >= surface->target.width ||
        y >= surface->target.height)
        return 0xFFFFFFFF;
    return ColorOfWord(surface->target.words[std::ptrdiff_t(y) * surface->target.stride + x], surface->target.order);
}
