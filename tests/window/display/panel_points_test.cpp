// Where the panels draw an element: the plane's scale is the range, every
// division truncates toward zero, and nothing is clipped to the panel.
#include "display/panels.h"
#include "../../platform/platform_test_window.h"

namespace {

constexpr Color kWhite = MakeColor(255, 255, 255);
constexpr Color kRed = MakeColor(255, 0, 0);
constexpr Color kSubset = MakeColor(204, 102, 202);

// W = H = 497: the origin at (260, 423), and 180 units give 248.5 pixels.
constexpr Rect kSeriesPanel = {12, 175, 509, 672};
constexpr Rect kResultPanel = {515, 175, 1012, 672};

class PanelPoints : public PlatformWindowTest {
protected:
    void SetUp() override
    {
        PlatformWindowTest::SetUp();
        ASSERT_NE(Make(), nullptr);
        UserResizeClient(window, 1024, 700);
        PumpMessages();
        for (int i = 0; i < kCount; ++i) {
            rows[i] = values[i];
            identities[i] = 1;
        }
        series.length = kCount;
        series.repeats = 1;
        series.vectorIdentities = identities;
        series.vectorValues = rows;
        series.noisyVectorValues = rows;
        series.centerIndex = 1;
        series.subsetIndices = subset;
        series.subsetCapacity = 1;
        view = {nullptr, &series, false, true, 12};
        surface = OpenWindowSurface(window);
    }
    void TearDown() override
    {
        CloseWindowSurface(window, surface);
        PlatformWindowTest::TearDown();
    }

    Color At(int32_t x, int32_t y) const { return ReadPixel(surface, x, y); }

    static constexpr int kCount = 4;
    // Both ends of the horizontal range, the top of the vertical one, and a
    // point far beyond the range below the horizontal axis.
    int32_t values[kCount][2] = {{180, 0}, {-180, 0}, {0, 180}, {300, -100}};
    int32_t* rows[kCount] = {};
    int32_t identities[kCount] = {};
    int32_t subset[1] = {0};
    VectorSeriesHeader series = {};
    ScreenView view;
    DrawSurface* surface = nullptr;
};

TEST_F(PanelPoints, DotsLandWhereTheTruncatedScaleSaysAndAreNotClipped)
{
    DrawSeriesPanel(surface, view, 180, kSeriesPanel);

    // x = 180: dx = 248 (not 249), the dot's box is x 504 to 511, rows 420 to 427.
    EXPECT_EQ(At(508, 424), kRed);
    EXPECT_NE(At(511, 424), kWhite);
    EXPECT_EQ(At(512, 424), kWhite);
    // x = -180: dx = -248 (not -249), the box starts at x 8, left of the frame.
    EXPECT_NE(At(8, 424), kWhite);
    EXPECT_EQ(At(7, 424), kWhite);
    // y = 180: dy = 248, the box starts at row 172, above the frame.
    EXPECT_NE(At(260, 172), kWhite);
    EXPECT_EQ(At(260, 171), kWhite);
    // (300, -100): dx = 414, dy = -138 (not -139), the box is x 670 to 677,
    // rows 558 to 565, in the other panel's place.
    EXPECT_EQ(At(674, 562), kRed);
    EXPECT_NE(At(674, 565), kWhite);
    EXPECT_EQ(At(674, 566), kWhite);
    EXPECT_NE(At(670, 562), kWhite);
    EXPECT_EQ(At(669, 562), kWhite);
}

// Identities past the colour table take its last colour instead of reading beyond it.
TEST_F(PanelPoints, IdentitiesBeyondTheColourTableTakeItsLastColour)
{
    constexpr Color kLast = MakeColor(0, 255, 255);
    identities[0] = 7;
    identities[3] = 1000;
    DrawSeriesPanel(surface, view, 180, kSeriesPanel);
    EXPECT_EQ(At(508, 424), kLast);
    EXPECT_EQ(At(674, 562), kLast);
}

TEST_F(PanelPoints, ResultPanelUsesTheSameScaleAndDrawsTheSubsetOverIt)
{
    DrawResultPanel(surface, view, 180, kResultPanel);
    // Element 0, the subset, at the right end of the range: origin x 763, dx 248.
    EXPECT_EQ(At(1011, 424), kSubset);
    EXPECT_NE(At(1014, 424), kWhite);
    EXPECT_EQ(At(1015, 424), kWhite);
    // Element 1 at the left end, in its identity colour.
    EXPECT_EQ(At(515, 424), kRed);
    EXPECT_EQ(At(510, 424), kWhite);
}

} // namespace
