// The records behind drawing surfaces and paint objects, for the Qt adapter.
#pragma once

#include <QFont>
#include <QImage>
#include <QRegion>

#include "platform/drawing.h"
#include "platform/software/surface_record.h"

// A font object's face: the toolkit's font, one for each object.
struct FontFace {
    QFont font;
};

struct DrawSurface : SurfaceRecord {
    DrawSurface(SurfaceSort sort, AppWindow* window, QImage* target) : SurfaceRecord(sort, window), target(target) {}

    QImage* target;                   // where drawing goes; none draws nothing
    QImage bitmapImage;               // memory surfaces: the selected bitmap's pixels, wrapped
    QRegion clip;                     // the paint's area when clipped
};

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
