#include "display/screen_paint.h"

#include <cstring>

#include "platform/window.h"
#include "vectors/vector_series.h"

const char* const kTitleText = "THE  PROBLEM  OF  SEARCHING  FOR  SUBSET  OF  \"SIMILAR\"  VECTORS";

namespace {

int32_t TextLength(const char* text) { return int32_t(std::strlen(text)); }

FontRequest TitleFontRequest()
{
    FontRequest request = {};
    request.height = 25;
    request.weight = 408;
    request.outPrecision = 3;  // stroke precision
    request.clipPrecision = 2; // stroke precision
    std::strcpy(request.faceName, "New Times Roman");
    return request;
}

void DrawTitle(DrawSurface* surface, int32_t x, int32_t y)
{
    const FontRequest request = TitleFontRequest();
    PaintObject* titleFont = CreateFontFromRequest(&request);
    PaintObject* bodyFont = SelectPaintObject(surface, titleFont);
    PaintText(surface, x, y, kTitleText, TextLength(kTitleText));
    SelectPaintObject(surface, bodyFont);
    DeletePaintObject(titleFont);
}

int32_t WidestLabelWidth(DrawSurface* surface)
{
    int32_t widest = 0;
    for (const char* label : kButtonLabels) {
        const Extent extent = MeasureText(surface, label, TextLength(label));
        if (extent.cx > widest)
            widest = extent.cx;
    }
    return widest;
}

// One bevel pass: two lines in a pen of its own, each leaving out its end point.
void DrawBevelPass(DrawSurface* surface, Color color, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2,
                   int32_t y2, int32_t x3, int32_t y3)
{
    PaintObject* pen = CreatePenOfColor(color);
    PaintObject* previousPen = SelectPaintObject(surface, pen);
    MovePenTo(surface, x0, y0);
    PaintLineTo(surface, x1, y1);
    MovePenTo(surface, x2, y2);
    PaintLineTo(surface, x3, y3);
    SelectPaintObject(surface, previousPen);
    DeletePaintObject(pen);
}

// The background, the title, the buttons and the two panels; returns the layout drawn.
ScreenLayout DrawScreenLayout(DrawSurface* surface, const WorkArea& area, const ScreenView& view,
                              int32_t charAveWidth)
{
    const Rect work = area.workRect;
    // The background brush stays selected while the buttons are drawn, so it fills them too.
    PaintObject* background = CreateBrushOfColor(kWorkAreaColor);
    PaintObject* previousBrush = SelectPaintObject(surface, background);
    SetTextBackgroundMode(surface, BackgroundTransparent);
    PaintRectangle(surface, work.left, work.top, work.right + 1, work.bottom + 1);

    const LayoutMetrics metrics = {view.lineHeight, charAveWidth, area.marginX, area.marginY};
    const ScreenLayout layout = LayOutScreen(work, metrics, WidestLabelWidth(surface));
    DrawTitle(surface, layout.titleX, layout.titleY);
    for (int i = 0; i < kButtonCount; ++i)
        DrawButton(surface, layout.buttonRects[i], kButtonLabels[i], view.lineHeight);

    SetTextBackgroundMode(surface, BackgroundOpaque);
    SelectPaintObject(surface, previousBrush);
    DeletePaintObject(background);

    DrawSeriesPanel(surface, view, kCoordinateRange, layout.seriesPanelRect);
    DrawResultPanel(surface, view, kCoordinateRange, layout.resultPanelRect);
    return layout;
}

} // namespace

PaintedScreen PaintMainWindow(AppWindow* window, PaintObject* bodyFont, ScreenView view)
{
    const Rect client = GetClientArea(window);
    DrawSurface* surface = BeginPaintSurface(window);
    PaintedScreen painted = {};
    painted.savedFont = SelectPaintObject(surface, bodyFont);

    ReadFontMetrics(surface, &painted.textMetrics);
    painted.lineHeight = painted.textMetrics.height + painted.textMetrics.externalLeading - 1;
    painted.charMaxWidth = painted.textMetrics.maxCharWidth;
    painted.charAveWidth = painted.textMetrics.aveCharWidth;

    painted.area = LayOutWorkArea(client);
    view.lineHeight = painted.lineHeight;
    painted.layout = DrawScreenLayout(surface, painted.area, view, painted.charAveWidth);

    SelectPaintObject(surface, painted.savedFont);
    EndPaintSurface(window, surface);
    return painted;
}

void DrawButton(DrawSurface* surface, Rect rect, const char* label, int32_t lineHeight)
{
    const int32_t l = rect.left;
    const int32_t t = rect.top;
    const int32_t w = rect.right - rect.left;
    const int32_t h = rect.bottom - rect.top;
    PaintRectangle(surface, l, t, rect.right + 1, rect.bottom + 1);

    DrawBevelPass(surface, kButtonEdgeColor, l, t, l + w + 1, t, l, t, l, t + h + 1);
    DrawBevelPass(surface, kButtonEdgeColor, l + w - 1, t + 1, l + w - 1, t + h, l + 1, t + h - 1, l + w, t + h - 1);
    DrawBevelPass(surface, kButtonShadowColor, l + w - 2, t + 2, l + w - 2, t + h - 1, l + 2, t + h - 2, l + w - 1,
                  t + h - 2);
    DrawBevelPass(surface, kButtonLightColor, l + 1, t + 1, l + w - 1, t + 1, l + 1, t + 1, l + 1, t + h - 1);

    const int32_t labelWidth = MeasureText(surface, label, TextLength(label)).cx;
    PaintText(surface, l + (w - labelWidth) / 2, t + (lineHeight - 2) / 2, label, TextLength(label));
}
