// Drawing with GDI: the paint and window device contexts, pens, brushes,
// fonts, shapes and text.
#include <cstring>

#include "platform/drawing.h"
#include "platform/win32/handles.h"

DrawSurface* BeginPaintSurface(AppWindow* window)
{
    WindowRecord* record = RecordOf(WindowHandle(window));
    if (!record)
        return nullptr;
    return SurfaceOf(BeginPaint(WindowHandle(window), &record->paint));
}

void EndPaintSurface(AppWindow* window, DrawSurface* /*surface*/)
{
    if (WindowRecord* record = RecordOf(WindowHandle(window)))
        EndPaint(WindowHandle(window), &record->paint);
}

DrawSurface* OpenWindowSurface(AppWindow* window)
{
    return SurfaceOf(GetDC(WindowHandle(window)));
}

void CloseWindowSurface(AppWindow* window, DrawSurface* surface)
{
    ReleaseDC(WindowHandle(window), SurfaceHandle(surface));
}

PaintObject* CreatePenOfColor(Color color)
{
    return PaintObjectOf(CreatePen(PS_SOLID, 1, color));
}

PaintObject* CreateBrushOfColor(Color color)
{
    return PaintObjectOf(CreateSolidBrush(color));
}

PaintObject* StockBodyFont()
{
    return PaintObjectOf(GetStockObject(ANSI_VAR_FONT));
}

PaintObject* CreateFontFromRequest(const FontRequest* request)
{
    if (!request)
        return nullptr;
    LOGFONTA font = {};
    font.lfHeight = request->height;
    font.lfWidth = request->width;
    font.lfEscapement = request->escapement;
    font.lfOrientation = request->orientation;
    font.lfWeight = request->weight;
    font.lfItalic = request->italic;
    font.lfUnderline = request->underline;
    font.lfStrikeOut = request->strikeOut;
    font.lfCharSet = request->charSet;
    font.lfOutPrecision = request->outPrecision;
    font.lfClipPrecision = request->clipPrecision;
    font.lfQuality = request->quality;
    font.lfPitchAndFamily = request->pitchAndFamily;
    static_assert(sizeof font.lfFaceName == sizeof request->faceName);
    std::memcpy(font.lfFaceName, request->faceName, sizeof font.lfFaceName);
    font.lfFaceName[sizeof font.lfFaceName - 1] = '\0';
    return PaintObjectOf(CreateFontIndirectA(&font));
}

PaintObject* SelectPaintObject(DrawSurface* surface, PaintObject* object)
{
    return PaintObjectOf(SelectObject(SurfaceHandle(surface), ObjectHandle(object)));
}

void DeletePaintObject(PaintObject* object)
{
    DeleteObject(ObjectHandle(object));
}

TextBackgroundMode SetTextBackgroundMode(DrawSurface* surface, TextBackgroundMode mode)
{
    return TextBackgroundMode(SetBkMode(SurfaceHandle(surface), mode));
}

void PaintRectangle(DrawSurface* surface, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    Rectangle(SurfaceHandle(surface), left, top, right, bottom);
}

void PaintEllipse(DrawSurface* surface, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    Ellipse(SurfaceHandle(surface), left, top, right, bottom);
}

void MovePenTo(DrawSurface* surface, int32_t x, int32_t y)
{
    MoveToEx(SurfaceHandle(surface), x, y, nullptr);
}

void PaintLineTo(DrawSurface* surface, int32_t x, int32_t y)
{
    LineTo(SurfaceHandle(surface), x, y);
}

void PaintText(DrawSurface* surface, int32_t x, int32_t y, const char* text, int32_t length)
{
    if (text && length > 0)
        TextOutA(SurfaceHandle(surface), x, y, text, length);
}

Extent MeasureText(DrawSurface* surface, const char* text, int32_t length)
{
    SIZE size = {};
    if (!text || !GetTextExtentPoint32A(SurfaceHandle(surface), text, length, &size))
        return {0, 0};
    return {size.cx, size.cy};
}

void ReadFontMetrics(DrawSurface* surface, FontMetrics* metrics)
{
    TEXTMETRICA system = {};
    if (!metrics || !GetTextMetricsA(SurfaceHandle(surface), &system))
        return;
    metrics->height = system.tmHeight;
    metrics->ascent = system.tmAscent;
    metrics->descent = system.tmDescent;
    metrics->internalLeading = system.tmInternalLeading;
    metrics->externalLeading = system.tmExternalLeading;
    metrics->aveCharWidth = system.tmAveCharWidth;
    metrics->maxCharWidth = system.tmMaxCharWidth;
}

Color ReadBackgroundColor(DrawSurface* surface)
{
    return GetBkColor(SurfaceHandle(surface));
}

Color ReadPixel(DrawSurface* surface, int32_t x, int32_t y)
{
    return GetPixel(SurfaceHandle(surface), x, y);
}
