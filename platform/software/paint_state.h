// Pens, brushes and fonts as the backends that draw in software hold them,
// and what each of their surfaces draws with. The backends define their
// surfaces and their fonts; the making, selecting and deleting of paint
// objects and the primitives that draw with them are shared.
#pragma once

#include <cstdint>

#include "platform/drawing.h"

enum PaintObjectSort { SortPen, SortBrush, SortFont };

// A backend's font: a face at a size, as its toolkit draws it.
struct FontFace;

struct PaintObject {
    PaintObjectSort sort = SortPen;
    Color color = 0;            // pens and brushes
    FontFace* face = nullptr;   // fonts
    bool stock = false;         // owned by the platform; deleting it has no effect
    int selections = 0;         // surfaces it is selected into now
    bool deletePending = false; // deleted while selected: freed when the last surface lets go
};

// What a surface draws with.
struct PaintState {
    PaintObject* pen = nullptr;
    PaintObject* brush = nullptr;
    PaintObject* font = nullptr;
    TextBackgroundMode backgroundMode = BackgroundOpaque;
    Color backgroundColor = MakeColor(255, 255, 255);
    Color textColor = MakeColor(0, 0, 0);
    int32_t penX = 0;
    int32_t penY = 0;
};

// What a surface draws with (its record, software/surface_record.h).
PaintState& PaintStateOf(DrawSurface* surface);
// Defined by each backend: the release of a font object's face when the
// object is freed.
void ReleaseFontFace(FontFace* face);

// A pen, brush or font for the program, known as live until it is deleted.
PaintObject* NewPaintObject(PaintObjectSort sort, Color color);

// A fresh surface's state: a black pen of width 1, a white brush and the
// stock body font, held while the surface has them.
PaintState FreshPaintState();
// The surface lets go of its objects as it goes.
void ReleasePaintState(PaintState& state);
