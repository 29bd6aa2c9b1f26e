// The records behind drawing surfaces and paint objects, for the Qt adapter.
#pragma once

#include <QFont>
#include <QImage>
#include <QRegion>

#include "platform/drawing.h"
#include "platform/software/paint_state.h"

// A font object's face: the toolkit's font, one for each object.
struct FontFace {
    QFont font;
};

enum SurfaceSort { SurfacePaint, SurfaceWindow, SurfaceMemory };

struct DrawSurface {
    SurfaceSort sort = SurfaceMemory;
    AppWindow* window = nullptr;      // window surfaces
    QImage* target = nullptr;         // where drawing goes; none draws nothing
    QImage bitmapImage;               // memory surfaces: the selected bitmap's pixels, wrapped
    SurfaceBitmap* bitmap = nullptr;  // memory surfaces: the selected bitmap
    bool clipped = false;
    QRegion clip;                     // the paint's area when clipped
    PaintState paint;
};

// A surface with the fresh defaults: black pen, white brush, body font.
DrawSurface* NewDrawSurface(SurfaceSort sort, AppWindow* window, QImage* target);
// Lets go of the surface's objects and frees it.
void FreeDrawSurface(DrawSurface* surface);

// A dialog resource's font and the dialog base units it gives: its average
// character width and its cell height, in pixels.
struct DialogFont {
    QFont font;
    int baseX = 0;
    int baseY = 0;
};
DialogFont DialogFontOf(const char* face, int points);

QRgb RgbOfColor(Color color);
Color ColorOfRgb(QRgb rgb);
