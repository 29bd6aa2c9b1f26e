// Memory surfaces and the bitmaps selected into them.
#include "platform/bitmap.h"
#include "platform/software/bitmap_record.h"
#include "platform/software/surface_record.h"

void DeleteMemorySurface(DrawSurface* memory)
{
    if (!memory || RecordOf(memory).sort != SurfaceMemory)
        return;
    if (SurfaceBitmap* bitmap = RecordOf(memory).bitmap)
        bitmap->selected = false;
    FreeDrawSurface(memory);
}

// Selecting none takes the current bitmap out, so that it can be released.
// A bitmap selected into another surface stays there: the call gives none.
SurfaceBitmap* SelectSurfaceBitmap(DrawSurface* memory, SurfaceBitmap* bitmap)
{
    if (!memory || RecordOf(memory).sort != SurfaceMemory)
        return nullptr;
    SurfaceRecord& record = RecordOf(memory);
    if (bitmap && bitmap->selected && bitmap != record.bitmap)
        return nullptr;
    SurfaceBitmap* previous = record.bitmap;
    if (previous)
        previous->selected = false;
    record.bitmap = bitmap;
    DrawIntoBitmap(memory, bitmap);
    if (bitmap)
        bitmap->selected = true;
    return previous;
}

PaintState& PaintStateOf(DrawSurface* surface)
{
    return RecordOf(surface).paint;
}
