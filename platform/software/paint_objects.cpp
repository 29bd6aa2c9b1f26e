// Pens, brushes and their selection into surfaces, and the drawing
// primitives that use them.
#include <unordered_set>

#include "platform/software/paint_state.h"
#include "platform/software/raster_shapes.h"

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
    if (object->face)
        ReleaseFontFace(object->face);
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

PaintObject*& SlotOf(PaintState& state, PaintObjectSort sort)
{
    switch (sort) {
    case SortPen:
        return state.pen;
    case SortBrush:
        return state.brush;
    default:
        return state.font;
    }
}

} // namespace

PaintObject* NewPaintObject(PaintObjectSort sort, Color color)
{
    auto* object = new PaintObject;
    object->sort = sort;
    object->color = color;
    LiveObjects().insert(object);
    return object;
}

PaintState FreshPaintState()
{
    PaintState state;
    state.pen = StockBlackPen();
    state.brush = StockWhiteBrush();
    state.font = StockBodyFont();
    Hold(state.pen);
    Hold(state.brush);
    Hold(state.font);
    return state;
}

void ReleasePaintState(PaintState& state)
{
    LetGo(state.pen);
    LetGo(state.brush);
    LetGo(state.font);
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
    PaintObject*& slot = SlotOf(PaintStateOf(surface), object->sort);
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
    PaintState& state = PaintStateOf(surface);
    const TextBackgroundMode previous = state.backgroundMode;
    if (mode == BackgroundTransparent || mode == BackgroundOpaque)
        state.backgroundMode = mode;
    return previous;
}

void PaintRectangle(DrawSurface* surface, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    if (!surface)
        return;
    const PaintState& state = PaintStateOf(surface);
    RasterRectangle(surface, left, top, right, bottom, state.pen->color, state.brush->color);
}

void PaintEllipse(DrawSurface* surface, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    if (!surface)
        return;
    const PaintState& state = PaintStateOf(surface);
    RasterEllipse(surface, left, top, right, bottom, state.pen->color, state.brush->color);
}

void MovePenTo(DrawSurface* surface, int32_t x, int32_t y)
{
    if (!surface)
        return;
    PaintState& state = PaintStateOf(surface);
    state.penX = x;
    state.penY = y;
}

void PaintLineTo(DrawSurface* surface, int32_t x, int32_t y)
{
    if (!surface)
        return;
    const PaintState& state = PaintStateOf(surface);
    RasterLine(surface, state.penX, state.penY, x, y, state.pen->color);
    MovePenTo(surface, x, y);
}

Color ReadBackgroundColor(DrawSurface* surface)
{
    return surface ? PaintStateOf(surface).backgroundColor : 0xFFFFFFFF;
}
