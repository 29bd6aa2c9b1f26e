#include "display/screen_layout.h"

#include <gtest/gtest.h>

namespace {

void ExpectRect(const Rect& r, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}

ScreenLayout LayOutClient(Rect client, int32_t widestLabel = 100)
{
    const WorkArea area = LayOutWorkArea(client);
    return LayOutScreen(area.workRect, {12, 6, area.marginX, area.marginY}, widestLabel);
}

TEST(ScreenLayout, WideClientNeedsNoFitting)
{
    const WorkArea area = LayOutWorkArea({0, 0, 1024, 700});
    EXPECT_EQ(area.marginX, 6);
    EXPECT_EQ(area.marginY, 5);
    ExpectRect(area.workRect, 6, 5, 1019, 696);

    const ScreenLayout layout = LayOutScreen(area.workRect, {12, 6, 6, 5}, 100);
    EXPECT_EQ(layout.textLineY, 44);
    EXPECT_EQ(layout.availableHeight, 647);
    EXPECT_EQ(layout.buttonWidth, 130);
    EXPECT_EQ(layout.buttonHeight, 23);
    EXPECT_EQ(layout.panelSide, 497);
    EXPECT_EQ(layout.titleX, 36);
    EXPECT_EQ(layout.titleY, 18);
    ExpectRect(layout.seriesPanelRect, 12, 175, 509, 672);
    ExpectRect(layout.resultPanelRect, 515, 175, 1012, 672);
    const int32_t lefts[kButtonCount] = {149, 291, 433, 575, 729, 883};
    for (int i = 0; i < kButtonCount; ++i) {
        SCOPED_TRACE(i);
        ExpectRect(layout.buttonRects[i], lefts[i], 116, lefts[i] + 130, 139);
    }
}

TEST(ScreenLayout, LowClientShrinksThePanelsToFitTheHeight)
{
    const WorkArea area = LayOutWorkArea({0, 0, 1024, 400});
    EXPECT_EQ(area.marginY, 3);
    ExpectRect(area.workRect, 6, 3, 1019, 398);

    const ScreenLayout layout = LayOutScreen(area.workRect, {12, 6, 6, 3}, 100);
    EXPECT_EQ(layout.availableHeight, 353);
    EXPECT_EQ(layout.panelSide, 321);
    EXPECT_EQ(layout.panelGap, 123);
    ExpectRect(layout.seriesPanelRect, 129, 74, 450, 395);
    ExpectRect(layout.resultPanelRect, 573, 74, 894, 395);
    for (const Rect& button : layout.buttonRects) {
        EXPECT_EQ(button.top, 48);
        EXPECT_EQ(button.bottom, 71);
    }
}

// Heights where each fitting stage is the last to run: the gaps shrink in
// turn while the panels keep their side.
TEST(ScreenLayout, FittingStagesShrinkTheGapsInTurn)
{
    struct Case {
        int32_t clientBottom;
        int32_t workBottom;
        int32_t gapButtons;
        int32_t gapBelow;
    };
    const Case cases[] = {
        {700, 696, 36, 24}, // no stage
        {660, 656, 24, 24}, // stage 1
        {630, 627, 12, 24}, // stage 2
        {590, 587, 4, 4},   // stage 3
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clientBottom);
        const ScreenLayout layout = LayOutClient({0, 0, 1024, c.clientBottom});
        EXPECT_EQ(layout.panelSide, 497);
        EXPECT_EQ(layout.seriesPanelRect.bottom, c.workBottom - c.gapBelow);
        EXPECT_EQ(layout.seriesPanelRect.top - layout.buttonRects[RepeatButton].bottom, c.gapButtons);
    }
}

TEST(ScreenLayout, ButtonsShareOneSizeAndEndAtTheRightMargin)
{
    const Rect clients[] = {{0, 0, 1024, 700}, {0, 0, 1920, 1080}, {0, 0, 640, 300}, {0, 0, 800, 2000}};
    for (const Rect& client : clients) {
        for (int32_t widest : {40, 100, 173}) {
            SCOPED_TRACE(testing::Message() << client.right << "x" << client.bottom << " label " << widest);
            const WorkArea area = LayOutWorkArea(client);
            const ScreenLayout layout = LayOutScreen(area.workRect, {12, 6, area.marginX, area.marginY}, widest);
            for (const Rect& button : layout.buttonRects) {
                EXPECT_EQ(button.right - button.left, widest + 30);
                EXPECT_EQ(button.bottom - button.top, 23);
            }
            EXPECT_EQ(layout.buttonRects[ExitButton].right, area.workRect.right - area.marginX);
            EXPECT_EQ(layout.buttonRects[SearchButton].left - layout.buttonRects[RestartButton].right, 24);
            EXPECT_EQ(layout.buttonRects[NoiseUpButton].left - layout.buttonRects[RepeatButton].right, 12);
            EXPECT_EQ(layout.seriesPanelRect.right - layout.seriesPanelRect.left,
                      layout.seriesPanelRect.bottom - layout.seriesPanelRect.top);
        }
    }
}

TEST(ScreenLayout, ClientTooLowForTheButtonsStillGivesRectangles)
{
    const ScreenLayout layout = LayOutClient({0, 0, 400, 40});
    EXPECT_LE(layout.panelSide, 0);
    EXPECT_EQ(layout.seriesPanelRect.right - layout.seriesPanelRect.left, layout.panelSide);
}

} // namespace
