#include <cstdio>
#include <cstdlib>
#include <algorithm>

#include "display/panels.h"
#include "display/screen_paint.h"
#include "platform/message_box.h"
#include "../main_window_fixture.h"

namespace {

constexpr Color kBlack = MakeColor(0, 0, 0);
constexpr Color kWhite = MakeColor(255, 255, 255);
constexpr Color kRed = MakeColor(255, 0, 0);

// Where the plane point (x, y) lands in a panel: the middle of its dot.
struct Pixel {
    int32_t x, y;
};
Pixel DotCentre(const Rect& panel, int32_t x, int32_t y)
{
    const int32_t w = panel.right - panel.left;
    const int32_t h = panel.bottom - panel.top;
    return {panel.left + w / 2 + x * w / 360, panel.top + h / 2 - y * h / 360 + 1};
}

class PaintedWindow : public MainWindowTest {
protected:
    Color At(Pixel p) const { return ClientPixel(window, p.x, p.y); }

    // Pixels of the given colour in a rectangle (both edges inside).
    int Count(const Rect& r, Color color) const
    {
        int n = 0;
        for (int32_t y = r.top; y <= r.bottom; ++y)
            for (int32_t x = r.left; x <= r.right; ++x)
                n += ClientPixel(window, x, y) == color;
        return n;
    }

    // Pixels of a panel, inside its frame and below the given row, that are
    // neither white nor on an axis.
    int MarksInside(const Rect& panel, int32_t fromY = -1) const
    {
        const int32_t cx = panel.left + (panel.right - panel.left) / 2;
        const int32_t cy = panel.top + (panel.bottom - panel.top) / 2;
        int n = 0;
        for (int32_t y = std::max(panel.top + 1, fromY); y < panel.bottom; ++y)
            for (int32_t x = panel.left + 1; x < panel.right; ++x)
                n += x != cx && y != cy && ClientPixel(window, x, y) != kWhite;
        return n;
    }

    // The rows of the result panel's n-th caption line.
    Rect CaptionLine(int n) const
    {
        const Rect& p = State().resultPanelRect;
        const int32_t top = p.top + 4 + n * (State().lineHeight + 1);
        return {p.left + 5, top, p.left + 5 + 150, top + State().lineHeight};
    }

    void Pick()
    {
        const Rect& p = State().seriesPanelRect;
        Click(p.left + 3 * (p.right - p.left) / 4, p.top + (p.bottom - p.top) / 3);
    }

    // A background element whose dot lies well clear of every other dot, the
    // axes and the text lines, so its pixels are its own.
    int32_t LoneBackgroundElement() const
    {
        const VectorSeriesHeader* s = State().series;
        for (int32_t i = 0; i < 498; ++i) {
            const int32_t* v = s->noisyVectorValues[i];
            bool clear = v[0] > 20 && v[1] < -20 && v[0] < 160 && v[1] > -160;
            for (int32_t j = 0; clear && j < s->length; ++j) {
                const int32_t* u = s->noisyVectorValues[j];
                clear = j == i || std::abs(u[0] - v[0]) > 8 || std::abs(u[1] - v[1]) > 8;
            }
            if (clear)
                return i;
        }
        return -1;
    }
};

TEST_F(PaintedWindow, WorkAreaAndButtonsWearTheirColours)
{
    OpenWindow();
    UserResizeClient(window, 1280, 800); // wide enough for the whole button row
    PumpMessages();
    ASSERT_GE(State().buttonRects[RepeatButton].left, 0);
    const Rect& work = State().workRect;
    const Rect& panel = State().seriesPanelRect;
    EXPECT_EQ(ClientPixel(window, work.left + 2, CentreY(panel)), MakeColor(235, 240, 225));
    EXPECT_EQ(ClientPixel(window, work.right - 2, work.bottom - 1), MakeColor(235, 240, 225));
    EXPECT_EQ(ClientPixel(window, work.left, CentreY(panel)), kBlack);
    EXPECT_EQ(ClientPixel(window, work.right, CentreY(panel)), kBlack);

    const Color edge = MakeColor(125, 125, 125);
    const Color shadow = MakeColor(165, 170, 165);
    for (const Rect& b : State().buttonRects) {
        SCOPED_TRACE(b.left);
        const int32_t midY = b.top + 3; // above the label
        EXPECT_EQ(ClientPixel(window, b.left + 3, b.top), edge);
        EXPECT_EQ(ClientPixel(window, b.left, midY), edge);
        EXPECT_EQ(ClientPixel(window, b.left + 1, midY), kWhite);
        EXPECT_EQ(ClientPixel(window, b.left + 3, b.top + 1), kWhite);
        EXPECT_EQ(ClientPixel(window, b.left + 3, midY), MakeColor(235, 240, 225));
        EXPECT_EQ(ClientPixel(window, b.right - 2, midY), shadow);
        EXPECT_EQ(ClientPixel(window, b.right - 1, midY), edge);
        EXPECT_EQ(ClientPixel(window, b.right, midY), kBlack);
        EXPECT_EQ(ClientPixel(window, b.left + 3, b.bottom - 2), shadow);
        EXPECT_EQ(ClientPixel(window, b.left + 3, b.bottom - 1), edge);
        EXPECT_EQ(ClientPixel(window, b.left + 3, b.bottom), kBlack);
        EXPECT_EQ(ClientPixel(window, b.right, b.top), edge);    // pass 1 reaches past the corner
        EXPECT_EQ(ClientPixel(window, b.left, b.bottom), edge);
        EXPECT_GT(Count({b.left + 3, b.top + 3, b.right - 3, b.bottom - 3}, kBlack), 0) << "label";
    }
}

TEST_F(PaintedWindow, PanelsShowFrameAndAxesOnlyBeforeAnySeries)
{
    OpenWindow();
    for (const Rect& p : {State().seriesPanelRect, State().resultPanelRect}) {
        SCOPED_TRACE(p.left);
        const int32_t cx = p.left + (p.right - p.left) / 2;
        const int32_t cy = p.top + (p.bottom - p.top) / 2;
        EXPECT_EQ(ClientPixel(window, p.left, cy + 7), kBlack);
        EXPECT_EQ(ClientPixel(window, p.right, cy + 7), kBlack);
        EXPECT_EQ(ClientPixel(window, cx + 7, p.top), kBlack);
        EXPECT_EQ(ClientPixel(window, cx + 7, p.bottom), kBlack);
        EXPECT_EQ(ClientPixel(window, p.left + 2, cy), kBlack);
        EXPECT_EQ(ClientPixel(window, p.left + 1, cy), kWhite);
        EXPECT_EQ(ClientPixel(window, p.right - 3, cy), kBlack);
        EXPECT_EQ(ClientPixel(window, p.right - 2, cy), kWhite); // the axis leaves out its end point
        EXPECT_EQ(ClientPixel(window, cx, p.top + 2), kBlack);
        EXPECT_EQ(ClientPixel(window, cx, p.bottom - 2), kWhite);
        EXPECT_EQ(MarksInside(p), 0);
    }
}

TEST_F(PaintedWindow, PickedCopiesAreRedOverWhiteBackgroundDots)
{
    OpenWindow();
    Pick();
    const int32_t* v = State().initialVector;
    EXPECT_EQ(At(DotCentre(State().seriesPanelRect, v[0], v[1])), kRed);

    const int32_t lone = LoneBackgroundElement();
    ASSERT_GE(lone, 0);
    const int32_t* b = State().series->noisyVectorValues[lone];
    const Pixel dot = DotCentre(State().seriesPanelRect, b[0], b[1]);
    EXPECT_EQ(At(dot), kWhite);
    EXPECT_GT(Count({dot.x - 5, dot.y - 5, dot.x + 5, dot.y + 5}, kBlack), 0) << "the dot's outline";

    // The picked-vector line and the two count lines stand at the top left.
    const Rect& p = State().seriesPanelRect;
    EXPECT_GT(Count({p.left + 5, p.top + 4, p.left + 100, p.top + 4 + 3 * (State().lineHeight + 1) - 1}, kBlack),
              0);
    EXPECT_EQ(MarksInside(State().resultPanelRect), 0) << "no search yet";
}

TEST_F(PaintedWindow, SearchHighlightsTheSubsetAndNamesTheCentre)
{
    OpenWindow();
    Pick();
    const Color subset = MakeColor(204, 102, 202);
    const Rect& result = State().resultPanelRect;
    EXPECT_EQ(Count(result, subset), 0);
    EXPECT_EQ(Count(CaptionLine(3), kBlack), 0);

    ClickButton(SearchButton);
    const int32_t* v = State().initialVector;
    EXPECT_EQ(At(DotCentre(result, v[0], v[1])), subset);
    EXPECT_EQ(At(DotCentre(State().seriesPanelRect, v[0], v[1])), kRed);
    for (int line = 0; line < kResultCaptionCount; ++line)
        EXPECT_GT(Count(CaptionLine(line), kBlack), 0) << line;

    char captions[kResultCaptionCount][kResultCaptionSize];
    FormatResultCaptions(State().series, captions);
    char expected[kResultCaptionSize];
    std::snprintf(expected, sizeof expected, " subset center [%d,%d]", v[0], v[1]);
    EXPECT_STREQ(captions[3], expected);
    EXPECT_STREQ(captions[2], " noise level 0");

    ClickButton(RepeatButton); // the result goes with the noise it was found in
    EXPECT_EQ(Count(result, subset), 0);
}

TEST_F(PaintedWindow, HiddenSeriesShowsNoDots)
{
    OpenWindow();
    ClickButton(NoiseUpButton); // a series of background only, hidden
    ASSERT_NE(State().series, nullptr);
    const Rect& p = State().seriesPanelRect;
    EXPECT_EQ(MarksInside(p, p.top + 4 + 2 * (State().lineHeight + 1)), 0);
    EXPECT_GT(MarksInside(p), 0) << "the repeats and vectors lines";

    ClickButton(SearchButton); // searched, but hidden: the result panel stays empty
    EXPECT_GE(State().series->centerIndex, 1);
    EXPECT_EQ(MarksInside(State().resultPanelRect), 0);
}

// A search asked for before any series exists leaves the flag set; the series
// built by a later pick has no centre, and no result may be shown for it.
TEST_F(PaintedWindow, ResultPanelStaysEmptyForASeriesWithoutCentre)
{
    OpenWindow();
    ClickButton(SearchButton);
    Pick();
    ASSERT_EQ(State().searchDone, 1);
    ASSERT_EQ(State().series->centerIndex, 0);
    EXPECT_EQ(MarksInside(State().resultPanelRect), 0);
    EXPECT_EQ(At(DotCentre(State().seriesPanelRect, State().initialVector[0], State().initialVector[1])), kRed);
}

TEST_F(PaintedWindow, LayoutFollowsTheClientSize)
{
    OpenWindow();
    UserResizeClient(window, 1024, 400);
    PumpMessages();
    EXPECT_EQ(State().seriesPanelRect.bottom - State().seriesPanelRect.top,
              State().resultPanelRect.bottom - State().resultPanelRect.top);
    EXPECT_EQ(State().workRect.right, 1025 - State().marginX);
    EXPECT_EQ(State().workRect.bottom, 401 - State().marginY);
    EXPECT_EQ(State().buttonRects[ExitButton].right, State().workRect.right - State().marginX);
    EXPECT_EQ(State().seriesPanelRect.bottom, State().workRect.bottom - State().marginY);
    EXPECT_EQ(ClientPixel(window, State().seriesPanelRect.left, CentreY(State().seriesPanelRect) + 5), kBlack);
}

} // namespace

// A series rebuilt with more repeats than its subset area was made for: the
// result panel draws only the indices the area holds, never reads past it.
TEST_F(PaintedWindow, SubsetDrawingStaysInsideTheSubsetArea)
{
    OpenWindow();
    Pick();
    ClickButton(SearchButton);
    VectorSeriesHeader* s = State().series;
    ASSERT_EQ(s->subsetCapacity, 502);
    s = BuildVectorSeries(window, s->length, 600, State().referenceVector, State().pickedVectors, s);
    ASSERT_EQ(s, State().series);
    ASSERT_EQ(s->repeats, 600);
    InvalidateArea(window, nullptr, true);
    PumpMessages();
    EXPECT_GT(Count(State().resultPanelRect, MakeColor(204, 102, 202)), 0);
}

// Too low for the text and the buttons: the panels shrink to nothing, the
// rectangles are stored and drawn all the same, and clicks still map.
TEST_F(PaintedWindow, ClientTooLowForTheButtonsPaintsAndClicksWithoutFailing)
{
    OpenWindow();
    Pick();
    ClickButton(SearchButton);
    ASSERT_EQ(State().searchDone, 1);
    for (int32_t height : {60, 40, 1}) {
        SCOPED_TRACE(height);
        UserResizeClient(window, 320, height);
        PumpMessages();
        const Rect& p = State().seriesPanelRect;
        EXPECT_LE(p.right - p.left, 0);
        EXPECT_EQ(p.right - p.left, p.bottom - p.top);
        EXPECT_EQ(State().resultPanelRect.right - State().resultPanelRect.left, p.right - p.left);
        UserPress(window, p.left, p.top);
        UserRelease(window, p.left, p.top);
        PumpMessages();
    }
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_FALSE(WindowClosed());
}

// The message box that reports a failed rebuild runs while the series' old
// buffers are gone; the window may repaint under it and must draw no rows.
void RepaintUnderTheBox(AppWindow* owner, const char*, const char*)
{
    InvalidateArea(owner, nullptr, true);
    PumpMessages();
}

TEST_F(PaintedWindow, RepaintWhileARebuildReportsItsFailureDrawsNoRows)
{
    OpenWindow();
    Pick();
    ClickButton(SearchButton);
    const MessageBoxHandler recorder = SetMessageBoxHandler(RepaintUnderTheBox);
    FailNthAllocation(1);
    VectorSeriesHeader* rebuilt = BuildVectorSeries(window, 1200, 502, State().referenceVector,
                                                    State().pickedVectors, State().series);
    SetMessageBoxHandler(recorder);
    EXPECT_EQ(rebuilt, nullptr);
    State().series = rebuilt;
    EXPECT_EQ(MarksInside(State().resultPanelRect), 0);
}
