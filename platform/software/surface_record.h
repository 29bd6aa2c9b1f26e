// The part of a drawing surface's record that the backends drawing in
// software hold alike, whatever pixels they draw into. Each backend's
// DrawSurface extends the record with its target and its clip.
#pragma once

#include "platform/software/paint_state.h"

enum SurfaceSort { SurfacePaint, SurfaceWindow, SurfaceMemory };

// Made with the fresh paint state (black pen, white brush, body font), which
// it lets go of as it goes.
struct SurfaceRecord {
    SurfaceRecord(SurfaceSort sort, AppWindow* window) : sort(sort), window(window), paint(FreshPaintState()) {}
    ~SurfaceRecord() { ReleasePaintState(paint); }
    SurfaceRecord(const SurfaceRecord&) = delete;
    SurfaceRecord& operator=(const SurfaceRecord&) = delete;

    SurfaceSort sort;
    AppWindow* window;               // paint and window surfaces
    SurfaceBitmap* bitmap = nullptr; // memory surfaces: the selected bitmap
    bool clipped = false;            // paint surfaces: drawing stays in the paint's area
    PaintState paint;
};

// Defined by each backend:
// the record that its DrawSurface extends;
SurfaceRecord& RecordOf(DrawSurface* surface);
// a memory surface's drawing sent to the bitmap's pixels, or with none nowhere;
void DrawIntoBitmap(DrawSurface* memory, SurfaceBitmap* bitmap);
// the freeing of a surface.
void FreeDrawSurface(DrawSurface* surface);
