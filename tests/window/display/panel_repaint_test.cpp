// Which parts of the client area each command and key has repainted: marks
// drawn straight onto the client image outlive every paint that leaves their
// spot alone.
#include <vector>

#include "../main_window_fixture.h"
#include "platform/drawing.h"

namespace {

constexpr Color kMark = MakeColor(0x56, 0x34, 0x12); // drawn by nothing in the program

// A mark inside each panel, one on each panel's right and bottom frame lines
// (both edges belong to a panel), and one in the work area outside them.
enum Spot { SeriesInside, SeriesRight, SeriesBottom, ResultInside, ResultRight, ResultBottom, Outside, SpotCount };

const std::vector<int> kNothing = {};
const std::vector<int> kResultPanel = {ResultInside, ResultRight, ResultBottom};
const std::vector<int> kBothPanels = {SeriesInside, SeriesRight, SeriesBottom, ResultInside, ResultRight, ResultBottom};
const std::vector<int> kEverything = {SeriesInside, SeriesRight, SeriesBottom, ResultInside,
                                      ResultRight,  ResultBottom, Outside};

class PanelRepaint : public MainWindowTest {
protected:
    void OpenWideWindow()
    {
        OpenWindow();
        UserResizeClient(window, 1280, 800);
        PumpMessages();
        const Rect& s = State().seriesPanelRect;
        const Rect& r = State().resultPanelRect;
        spots[SeriesInside] = {s.right - 3, s.bottom - 3};
        spots[SeriesRight] = {s.right, CentreY(s) + 7};
        spots[SeriesBottom] = {CentreX(s) + 7, s.bottom};
        spots[ResultInside] = {r.right - 3, r.bottom - 3};
        spots[ResultRight] = {r.right, CentreY(r) + 7};
        spots[ResultBottom] = {CentreX(r) + 7, r.bottom};
        spots[Outside] = {State().workRect.left + 2, CentreY(s)};
    }

    void MarkEverySpot()
    {
        DrawSurface* surface = OpenWindowSurface(window);
        PaintObject* pen = CreatePenOfColor(kMark);
        PaintObject* previousPen = SelectPaintObject(surface, pen);
        for (const SpotPoint& p : spots)
            PaintRectangle(surface, p.x, p.y, p.x + 1, p.y + 1); // one pixel of outline
        SelectPaintObject(surface, previousPen);
        DeletePaintObject(pen);
        CloseWindowSurface(window, surface);
        for (const SpotPoint& p : spots)
            ASSERT_EQ(ClientPixel(window, p.x, p.y), kMark);
    }

    // The spots whose mark a paint has covered.
    std::vector<int> Repainted() const
    {
        std::vector<int> repainted;
        for (int i = 0; i < SpotCount; ++i)
            if (ClientPixel(window, spots[i].x, spots[i].y) != kMark)
                repainted.push_back(i);
        return repainted;
    }

    struct SpotPoint {
        int32_t x, y;
    };
    SpotPoint spots[SpotCount] = {};
};

TEST_F(PanelRepaint, KeysZeroAndOneRepaintTheWholeClientAreaOtherKeysNothing)
{
    OpenWideWindow();
    MarkEverySpot();
    for (int key : {int('R'), int('S'), 13, 27, 0x70})
        UserKey(window, key);
    PumpMessages();
    EXPECT_EQ(Repainted(), kNothing);

    for (int key : {0, 1}) {
        SCOPED_TRACE(key);
        MarkEverySpot();
        UserKey(window, key);
        PumpMessages();
        EXPECT_EQ(Repainted(), kEverything);
    }
}

TEST_F(PanelRepaint, CommandsRepaintThePanelsTheyChangeFrameLinesIncluded)
{
    OpenWideWindow();

    MarkEverySpot();
    ChooseMenu(" Processing", " Search"); // no series yet: nothing runs, the result panel is repainted
    EXPECT_EQ(Repainted(), kResultPanel);

    MarkEverySpot();
    ChooseMenu(" Processing", " Repeat");
    EXPECT_EQ(Repainted(), kBothPanels);

    MarkEverySpot();
    ChooseMenu(" Processing", " Create vector series");
    EXPECT_EQ(Repainted(), kBothPanels);

    MarkEverySpot();
    ChooseMenu(" Processing", " Search"); // a series now: the search runs
    ASSERT_GE(State().series->centerIndex, 1);
    EXPECT_EQ(Repainted(), kResultPanel);

    MarkEverySpot();
    ChooseMenu("&Help", "&About ...");
    ASSERT_EQ(dialogLog.opened, 1);
    EXPECT_EQ(Repainted(), kNothing);

    // A pick sends the Create vector series command.
    MarkEverySpot();
    Click(CentreX(State().seriesPanelRect) + 40, CentreY(State().seriesPanelRect) - 40);
    ASSERT_EQ(State().pickCount, 1);
    EXPECT_EQ(Repainted(), kBothPanels);

    // A press on a button repaints what its command names, not the button.
    MarkEverySpot();
    ClickButton(SearchButton);
    EXPECT_EQ(Repainted(), kResultPanel);
}

} // namespace
