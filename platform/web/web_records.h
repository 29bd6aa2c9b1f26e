// The records behind the platform's handles in the web backend, and the
// backend's own helpers between its files. Not for the program's own code.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/drawing.h"
#include "platform/software/dialog_layout.h"
#include "platform/software/surface_record.h"
#include "platform/software/window_record.h"

// How a pixel's word holds its colour, alpha 0xFF in the top byte.
enum PixelOrder : uint8_t {
    OrderRgba, // red in the low byte: the client image, as the page's canvas takes pixels
    OrderBgra, // blue in the low byte (0xFFRRGGBB): memory bitmaps, as BMP files hold pixels
};

// Pixels as words, rows top-down: the client image, or the rows of a
// selected 32-bit bitmap.
struct PixelImage {
    uint32_t* words = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0; // words per row
    PixelOrder order = OrderRgba;
};

// A text the client area shows: the cell it was drawn in.
struct ShownText {
    Rect cell; // right and bottom exclusive
    std::string text;
};

struct AppWindow : WindowRecord {
    using WindowRecord::WindowRecord;

    std::vector<uint32_t> pixels;    // the client image
    PixelImage image;                // over pixels
    std::vector<Rect> invalid;       // waiting for a paint; right and bottom exclusive
    std::vector<ShownText> texts;    // in the order they were drawn
    std::size_t textsInsertAt = 0;   // where the texts a paint draws go
    std::string textsShown;          // what the page was last told
};

// One face at one size and style, with the glyphs drawn so far. Faces are
// made once for each distinct request and kept for the whole run: the font
// objects of the same request share one.
struct Glyph {
    int32_t advance = 0;
    int32_t left = 0, top = 0;       // the ink box from the pen's cell corner
    int32_t width = 0, height = 0;
    std::vector<uint8_t> ink;        // width x height, 1 for ink
};

struct FontFace {
    int32_t face = 0;                // the page's bundled face
    int32_t pixelSize = 0;
    int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    FontMetrics metrics = {};
    std::unordered_map<uint32_t, Glyph> glyphs;
};

struct DrawSurface : SurfaceRecord {
    DrawSurface(SurfaceSort sort, AppWindow* window, PixelImage target) : SurfaceRecord(sort, window), target(target) {}

    PixelImage target;               // where drawing goes; no words draws nothing
    std::vector<Rect> clip;          // the paint's area when clipped; right and bottom exclusive
};

// window.cpp
// The smallest rectangle that holds them all (at least one).
Rect BoundingBox(const std::vector<Rect>& rects);
// Brings the client image to the client area's size; all of it becomes
// invalid for kinds that redraw on resize, else the part that is new.
void FitClientImage(AppWindow* window);
// Makes the client image's pixels, white, if the window has none yet.
void ProvidePixels(AppWindow* window);
// Sends MessagePaint when part of the client area is invalid.
void PaintInvalidArea(AppWindow* window);
// Paints every window with an invalid area; false when none had one.
bool PaintWaitingWindows();
// Shows a block of the client image on the page; right and bottom exclusive.
void ShowClientImage(AppWindow* window, Rect block);
// Reads the page's client area afresh and makes every window fit it.
void FitAllWindows();
// The window that input goes to: the newest one still there, or none.
AppWindow* InputWindow();

// event_loop.cpp: handles queued events (and paints) until done is set.
// Input for the windows is dropped while a modal window is open.
void RunModalLoop(const bool& done, void (*onCommand)(void* context, int id), void* context);

// pixels.cpp
uint32_t WordOfColor(Color color, PixelOrder order);
Color ColorOfWord(uint32_t word, PixelOrder order);

// fonts.cpp
// A face for a dialog resource's font: its base units (average character
// width and cell height) in pixels.
DialogUnits DialogUnitsOf(const char* faceName, int32_t points);

// shown_text.cpp: the texts of the client area, kept for the page's reader.
// A paint starts by forgetting the texts in its area (BeginTextsOfPaint);
// those it draws take their place.
void BeginTextsOfPaint(AppWindow* window);
void ForgetTextsIn(AppWindow* window, const Rect& area);
void NoteShownText(AppWindow* window, const Rect& cell, const char* text, int32_t length);
void PublishShownTexts(AppWindow* window);
