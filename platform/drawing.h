// Drawing on a surface: a window's client image during a paint, or a memory
// surface. Pens, brushes and fonts are paint objects: made, selected into a
// surface (which hands back the object of the same sort it replaces), used,
// selected out again and deleted. A fresh surface has a black pen of width 1,
// a white brush, the stock body font, an opaque white text background and
// black text.
#pragma once

#include <cstdint>

#include "platform/types.h"

// Begins a paint of the window's invalid area: the surface draws into the
// client image, clipped to that area, which was filled with white first when
// an erase was asked for. EndPaintSurface shows the result and validates the area.
DrawSurface* BeginPaintSurface(AppWindow* window);
void EndPaintSurface(AppWindow* window, DrawSurface* surface);

// A surface over the whole client image outside a paint, unclipped.
DrawSurface* OpenWindowSurface(AppWindow* window);
void CloseWindowSurface(AppWindow* window, DrawSurface* surface);

// Paint objects. Deleting a stock object has no effect.
PaintObject* CreatePenOfColor(Color color);   // solid, 1 pixel wide
PaintObject* CreateBrushOfColor(Color color); // solid
PaintObject* StockBodyFont();                 // the proportional body font, owned by the platform

// A font request: the fields a font mapper chooses a face by.
struct FontRequest {
    int32_t height;       // cell height in pixels when positive
    int32_t width;        // 0: the face's own proportions
    int32_t escapement;
    int32_t orientation;
    int32_t weight;       // 400 normal, 700 bold
    uint8_t italic;
    uint8_t underline;
    uint8_t strikeOut;
    uint8_t charSet;
    uint8_t outPrecision;
    uint8_t clipPrecision;
    uint8_t quality;
    uint8_t pitchAndFamily;
    char faceName[32];
};
PaintObject* CreateFontFromRequest(const FontRequest* request);

PaintObject* SelectPaintObject(DrawSurface* surface, PaintObject* object);
void DeletePaintObject(PaintObject* object);

enum TextBackgroundMode : int { BackgroundTransparent = 1, BackgroundOpaque = 2 };
TextBackgroundMode SetTextBackgroundMode(DrawSurface* surface, TextBackgroundMode mode);

// The rectangle is outlined with the pen and filled with the brush; its right
// and bottom edges are exclusive (right - left pixels wide).
void PaintRectangle(DrawSurface* surface, int32_t left, int32_t top, int32_t right, int32_t bottom);

// The ellipse inside the bounding box (right and bottom exclusive), outlined
// with the pen and filled with the brush.
void PaintEllipse(DrawSurface* surface, int32_t left, int32_t top, int32_t right, int32_t bottom);

// The pen's position; PaintLineTo draws from it up to, but not including,
// (x, y) and moves it there.
void MovePenTo(DrawSurface* surface, int32_t x, int32_t y);
void PaintLineTo(DrawSurface* surface, int32_t x, int32_t y);

// Text in the selected font with its top-left corner at (x, y), in the text
// colour; in opaque mode its cell is filled with the background colour first.
void PaintText(DrawSurface* surface, int32_t x, int32_t y, const char* text, int32_t length);
Extent MeasureText(DrawSurface* surface, const char* text, int32_t length);

struct FontMetrics {
    int32_t height;          // cell height: ascent + descent
    int32_t ascent;
    int32_t descent;
    int32_t internalLeading;
    int32_t externalLeading;
    int32_t aveCharWidth;
    int32_t maxCharWidth;
};
void ReadFontMetrics(DrawSurface* surface, FontMetrics* metrics);

Color ReadBackgroundColor(DrawSurface* surface);
// The colour of one pixel; outside the surface, 0xFFFFFFFF (no colour).
Color ReadPixel(DrawSurface* surface, int32_t x, int32_t y);
