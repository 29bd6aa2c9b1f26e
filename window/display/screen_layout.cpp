#include "display/screen_layout.h"

const char* const kButtonLabels[kButtonCount] = {
    " Repeat ", " Noise Level Up ", " Noise Level Down ", " Restart ", "Search", " Exit ",
};

WorkArea LayOutWorkArea(Rect client)
{
    const int32_t w = client.right - client.left + 1;
    const int32_t h = client.bottom - client.top + 1;
    WorkArea area;
    area.marginX = w / 170;
    area.marginY = h / 131;
    area.workRect = {client.left + area.marginX, client.top + area.marginY,
                     client.left + area.marginX + (w - 2 * area.marginX),
                     client.top + area.marginY + (h - 2 * area.marginY)};
    return area;
}

namespace {

// The vertical room the layout asks for, top to bottom.
struct VerticalGaps {
    int32_t above;   // between the text line and the button row
    int32_t buttons; // between the button row and the panels
    int32_t below;   // below the panels
};

int32_t NeededHeight(const VerticalGaps& gaps, int32_t buttonHeight, int32_t panelSide)
{
    return gaps.above + buttonHeight + gaps.buttons + panelSide + gaps.below;
}

void LayOutButtonRow(ScreenLayout& layout, const Rect& work, const LayoutMetrics& m, int32_t gapButtons)
{
    const int32_t by = layout.resultPanelRect.top - gapButtons - layout.buttonHeight;
    const int32_t step = layout.buttonWidth + 2 * m.charAveWidth;
    int32_t bx = work.right - (m.marginX + 2 * m.charAveWidth + kButtonCount * step);
    for (int i = 0; i < kButtonCount; ++i) {
        if (i == SearchButton || i == ExitButton)
            bx += 2 * m.charAveWidth; // Search and Exit stand a little apart
        layout.buttonRects[i] = {bx, by, bx + layout.buttonWidth, by + layout.buttonHeight};
        bx += step;
    }
}

} // namespace

ScreenLayout LayOutScreen(Rect work, LayoutMetrics m, int32_t widestLabelWidth)
{
    const int32_t lh = m.lineHeight;
    const int32_t width = work.right - work.left;
    const int32_t height = work.bottom - work.top;

    ScreenLayout layout = {};
    layout.titleX = work.left + 30;
    layout.titleY = work.top + lh + 1;
    layout.textLineY = work.top + lh + 1 + 2 * (lh + 1);
    // A height less an absolute coordinate: the work rectangle's top counts twice.
    layout.availableHeight = height - layout.textLineY;
    layout.buttonWidth = widestLabelWidth + 5 * m.charAveWidth;
    layout.buttonHeight = 2 * lh - 1;
    layout.panelSide = (width - 3 * m.marginX) / 2;
    layout.panelGap = m.marginX;

    const int32_t a = layout.availableHeight;
    VerticalGaps gaps = {3 * lh, 3 * lh, 2 * lh};
    if (NeededHeight(gaps, layout.buttonHeight, layout.panelSide) > a)
        gaps = {2 * lh, 2 * lh, gaps.below};
    if (NeededHeight(gaps, layout.buttonHeight, layout.panelSide) > a)
        gaps = {lh + m.marginY, lh, gaps.below};
    if (NeededHeight(gaps, layout.buttonHeight, layout.panelSide) > a)
        gaps = {m.marginY, m.marginY, m.marginY};
    if (NeededHeight(gaps, layout.buttonHeight, layout.panelSide) > a) {
        layout.panelSide = a - gaps.above - layout.buttonHeight - gaps.buttons - gaps.below;
        layout.panelGap = (width - 2 * layout.panelSide) / 3;
    }

    const int32_t pw = layout.panelSide;
    const int32_t gap = layout.panelGap;
    const int32_t pb = work.bottom - gaps.below;
    layout.seriesPanelRect = {work.left + gap, pb - pw, work.left + gap + pw, pb};
    layout.resultPanelRect = {work.left + 2 * gap + pw, pb - pw, work.left + 2 * gap + 2 * pw, pb};
    LayOutButtonRow(layout, work, m, gaps.buttons);
    return layout;
}
