// The records behind drawing surfaces and paint objects, for the Qt adapter.
#pragma once

#include <QFont>
#include <QImage>
#include <QRegion>

#include "platform/drawing.h"

enum PaintObjectSort { SortPen, SortBrush, SortFont };

struct PaintObject {
    PaintObjectSort sort = SortPen;
    Color color = 0;             // pens and brushes
    QFont font;                  // fonts
    bool stock = false;          // owned by the platform; deleting it has no effect
    int selections = 0;          // surfaces it is selected into now
    bool deletePending = false;  // deleted while selected: freed when the last surface lets go
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
    PaintObject* pen = nullptr;
    PaintObject* brush = nullptr;
    PaintObject* font = nullptr;
    TextBackgroundMode backgroundMode = BackgroundOpaque;
    Color backgroundColor = MakeColor(255, 255, 255);
    Color textColor = MakeColor(0, 0, 0);
    int32_t penX = 0;
    int32_t penY = 0;
};

// A pen, brush or font for the program, known as live until it is deleted.
PaintObject* NewPaintObject(PaintObjectSort sort, Color color);

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
