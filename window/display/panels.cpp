#include "display/panels.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/drawing.h"

namespace {

// Where the plane's origin lies in a panel and how wide the plane is drawn.
struct PlaneMapping {
    int32_t cx, cy;
    int32_t width, height;
    int32_t range;
};

PlaneMapping DrawFrameAndAxes(DrawSurface* surface, Rect panel, int32_t range)
{
    const int32_t w = panel.right - panel.left;
    const int32_t h = panel.bottom - panel.top;
    const PlaneMapping plane = {panel.left + w / 2, panel.top + h / 2, w, h, range};
    PaintRectangle(surface, panel.left, panel.top, panel.right + 1, panel.bottom + 1);
    MovePenTo(surface, panel.left + 2, plane.cy);
    PaintLineTo(surface, panel.left + w - 2, plane.cy);
    MovePenTo(surface, plane.cx, panel.top + 2);
    PaintLineTo(surface, plane.cx, panel.top + h - 2);
    return plane;
}

void DrawElement(DrawSurface* surface, const PlaneMapping& plane, const int32_t* values)
{
    const int32_t dx = values[0] * plane.width / (2 * plane.range);
    const int32_t dy = values[1] * plane.height / (2 * plane.range);
    const int32_t r = kPointRadius;
    PaintEllipse(surface, plane.cx + dx - r, plane.cy - dy - r + 1, plane.cx + dx + r, plane.cy - dy + r + 1);
}

// Every element in the colour of its identity; a new brush only where the identity changes.
void DrawElementsByIdentity(DrawSurface* surface, const PlaneMapping& plane, const VectorSeriesHeader* series)
{
    if (series->length <= 0)
        return;
    const int32_t* identities = series->vectorIdentities;
    int32_t shown = identities[0];
    PaintObject* brush = CreateBrushOfColor(IdentityColor(shown));
    PaintObject* previousBrush = SelectPaintObject(surface, brush);
    for (int32_t i = 0; i < series->length; ++i) {
        DrawElement(surface, plane, series->noisyVectorValues[i]);
        if (i + 1 < series->length && identities[i + 1] != shown) {
            shown = identities[i + 1];
            PaintObject* next = CreateBrushOfColor(IdentityColor(shown));
            SelectPaintObject(surface, next);
            DeletePaintObject(brush);
            brush = next;
        }
    }
    SelectPaintObject(surface, previousBrush);
    DeletePaintObject(brush);
}

// The subset over everything else; never more indices than its area holds.
void DrawSubset(DrawSurface* surface, const PlaneMapping& plane, const VectorSeriesHeader* series)
{
    PaintObject* brush = CreateBrushOfColor(kSubsetColor);
    PaintObject* previousBrush = SelectPaintObject(surface, brush);
    const int32_t shown = std::min(series->repeats, series->subsetCapacity);
    for (int32_t i = 0; i < shown; ++i)
        DrawElement(surface, plane, series->noisyVectorValues[series->subsetIndices[i]]);
    SelectPaintObject(surface, previousBrush);
    DeletePaintObject(brush);
}

// Text lines down the panel's left side, each a line height and one pixel below the last.
struct TextCursor {
    DrawSurface* surface;
    int32_t x, y;
    int32_t lineHeight;
};

void DrawLine(TextCursor& cursor, const char* text)
{
    PaintText(cursor.surface, cursor.x, cursor.y, text, int32_t(std::strlen(text)));
    cursor.y += cursor.lineHeight + 1;
}

// A series whose buffers are being remade has no rows to draw: a paint can
// come while a message box reports that making them failed.
bool HasRows(const VectorSeriesHeader* series) { return series && series->noisyVectorValues; }

} // namespace

int FormatPickedVectorLine(char* buffer, int size, int32_t descriptor, const int32_t* coordinates,
                           int32_t dimension)
{
    int length = std::snprintf(buffer, size_t(size), " w[%d] = (", descriptor);
    for (int32_t k = 0; k < dimension && length < size; ++k)
        length += std::snprintf(buffer + length, size_t(size - length), "%d,", coordinates[k]);
    if (length >= size)
        length = size - 1; // cut short: the closing bracket takes the last place
    buffer[length - 1] = ')';
    return length;
}

void FormatResultCaptions(const VectorSeriesHeader* series, char captions[kResultCaptionCount][kResultCaptionSize])
{
    const int32_t* centre = series->noisyVectorValues[series->centerIndex - 1];
    std::snprintf(captions[0], kResultCaptionSize, " series length %d", series->length);
    std::snprintf(captions[1], kResultCaptionSize, " number of repeats %d", series->repeats);
    std::snprintf(captions[2], kResultCaptionSize, " noise level %d", series->noiseLevel);
    std::snprintf(captions[3], kResultCaptionSize, " subset center [%d,%d]", centre[0], centre[1]);
}

void DrawSeriesPanel(DrawSurface* surface, const ScreenView& view, int32_t range, Rect panel)
{
    const VectorsArrayHeader* picked = view.picked;
    const VectorSeriesHeader* series = view.series;
    const PlaneMapping plane = DrawFrameAndAxes(surface, panel, range);
    if (!view.seriesHidden && HasRows(series))
        DrawElementsByIdentity(surface, plane, series);

    // Opaque text over the dots: each text cell covers what lies under it.
    TextCursor cursor = {surface, panel.left + 5, panel.top + 4, view.lineHeight};
    char line[256];
    if (picked) {
        for (int32_t j = 0; j < picked->count; ++j) {
            FormatPickedVectorLine(line, sizeof line, picked->vectorDescriptors[j], picked->vectorValues[j],
                                   picked->dimension);
            DrawLine(cursor, line);
        }
    }
    if (series) {
        std::snprintf(line, sizeof line, "repeats %d", series->repeats);
        DrawLine(cursor, line);
        std::snprintf(line, sizeof line, "vectors %d", picked ? picked->count : 0);
        DrawLine(cursor, line);
    }
}

void DrawResultPanel(DrawSurface* surface, const ScreenView& view, int32_t range, Rect panel)
{
    const VectorSeriesHeader* series = view.series;
    const PlaneMapping plane = DrawFrameAndAxes(surface, panel, range);
    // A search asked for before any series existed leaves searchDone set with
    // no centre in the series built later: there is no result to show then.
    if (!HasRows(series) || view.seriesHidden || !view.searchDone || series->centerIndex < 1)
        return;
    DrawElementsByIdentity(surface, plane, series);
    DrawSubset(surface, plane, series);

    char captions[kResultCaptionCount][kResultCaptionSize];
    FormatResultCaptions(series, captions);
    TextCursor cursor = {surface, panel.left + 5, panel.top + 4, view.lineHeight};
    for (const char* caption : captions)
        DrawLine(cursor, caption);
}
