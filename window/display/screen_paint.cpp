#include "display/screen_paint.h"

#include <cstring>

#include "app/app_state.h"
#include "display/panels.h"
#include "display/screen_layout.h"
#include "platform/drawing.h"
#include "platform/window.h"

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
    appState.font = CreateFontFromRequest(&request);
    PaintObject* bodyFont = SelectPaintObject(surface, appState.font);
    PaintText(surface, x, y, kTitleText, TextLength(kTitleText));
    SelectPaintObject(surface, bodyFont);
    DeletePaintObject(appState.font);
    appState.font = StockBodyFont();
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

void StoreLayout(const ScreenLayout& layout)
{
    for (int i = 0; i < kButtonCount; ++i)
        appState.buttonRects[i] = layout.buttonRects[i];
    appState.seriesPanelRect = layout.seriesPanelRect;
    appState.resultPanelRect = layout.resultPanelRect;
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

} // namespace

void PaintMainWindow(AppWindow* window)
{
    const Rect client = GetClientArea(window);
    DrawSurface* surface = BeginPaintSurface(window);
    appState.savedFont = SelectPaintObject(surface, appState.font);

    ReadFontMetrics(surface, &appState.textMetrics);
    appState.lineHeight = appState.textMetrics.height + appState.textMetrics.externalLeading - 1;
    appState.charMaxWidth = appState.textMetrics.maxCharWidth;
    appState.charAveWidth = appState.textMetrics.aveCharWidth;

    const WorkArea area = LayOutWorkArea(client);
    appState.marginX = area.marginX;
    appState.marginY = area.marginY;
    appState.workRect = area.workRect;
    DrawScreenLayout(surface, appState.workRect);

    SelectPaintObject(surface, appState.savedFont);
    EndPaintSurface(window, surface);
}

void DrawScreenLayout(DrawSurface* surface, Rect work)
{
    // The background brush stays selected while the buttons are drawn, so it fills them too.
    PaintObject* background = CreateBrushOfColor(kWorkAreaColor);
    PaintObject* previousBrush = SelectPaintObject(surface, background);
    SetTextBackgroundMode(surface, BackgroundTransparent);
    PaintRectangle(surface, work.left, work.top, work.right + 1, work.bottom + 1);

    const LayoutMetrics metrics = {appState.lineHeight, appState.charAveWidth, appState.marginX, appState.marginY};
    const ScreenLayout layout = LayOutScreen(work, metrics, WidestLabelWidth(surface));
    DrawTitle(surface, layout.titleX, layout.titleY);
    StoreLayout(layout);
    for (int i = 0; i < kButtonCount; ++i)
        DrawButton(surface, appState.buttonRects[i], kButtonLabels[i]);

    SetTextBackgroundMode(surface, BackgroundOpaque);
    SelectPaintObject(surface, previousBrush);
    DeletePaintObject(background);

    DrawSeriesPanel(surface, appState.pickedVectors, appState.series, appSettings.coordinateRange,
                    appState.seriesPanelRect);
    DrawResultPanel(surface, appState.series, appSettings.coordinateRange, appState.resultPanelRect);
}

void DrawButton(DrawSurface* surface, Rect rect, const char* label)
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
    PaintText(surface, l + (w - labelWidth) / 2, t + (appState.lineHeight - 2) / 2, label, TextLength(label));
}
