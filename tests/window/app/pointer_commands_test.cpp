#include <vector>

#include "app/commands.h"
#include "../main_window_fixture.h"
#include "res/resource_ids.h"

namespace {

using PointerCommands = MainWindowTest;

std::vector<int32_t> NoisyValues(const VectorSeriesHeader* series)
{
    std::vector<int32_t> values;
    for (int32_t i = 0; i < series->length; ++i)
        values.insert(values.end(), series->noisyVectorValues[i], series->noisyVectorValues[i] + 2);
    return values;
}

std::vector<int32_t> CleanValues(const VectorSeriesHeader* series)
{
    std::vector<int32_t> values;
    for (int32_t i = 0; i < series->length; ++i)
        values.insert(values.end(), series->vectorValues[i], series->vectorValues[i] + 2);
    return values;
}

int CountIdentity(const VectorSeriesHeader* series, int32_t identity)
{
    int n = 0;
    for (int32_t i = 0; i < series->length; ++i)
        n += series->vectorIdentities[i] == identity;
    return n;
}

// A point in the upper right quarter of the series panel.
struct PanelPoint {
    int32_t x, y;
};
PanelPoint PickPoint(const AppState& state)
{
    const Rect& p = state.seriesPanelRect;
    return {p.left + 3 * (p.right - p.left) / 4, p.top + (p.bottom - p.top) / 3};
}

TEST_F(PointerCommands, PickBuildsTheSeriesFromTheClickedVector)
{
    OpenWindow();
    const PanelPoint at = PickPoint(State());
    int32_t expected[2];
    ClickToVector(window, State().seriesPanelRect, at.x, at.y, 180, 2, expected);
    Click(at.x, at.y);

    EXPECT_EQ(State().pickCount, 1);
    EXPECT_EQ(State().seriesHidden, 0);
    EXPECT_EQ(State().searchDone, 0);
    EXPECT_EQ(State().seriesPanelPressed, 0);
    EXPECT_EQ(State().initialVector[0], expected[0]);
    EXPECT_EQ(State().initialVector[1], expected[1]);
    ASSERT_EQ(State().pickedVectors->count, 1);
    EXPECT_EQ(State().pickedVectors->vectorDescriptors[0], 1);
    EXPECT_EQ(State().pickedVectors->vectorValues[0][0], expected[0]);
    EXPECT_EQ(State().pickedVectors->vectorValues[0][1], expected[1]);

    const VectorSeriesHeader* series = State().series;
    ASSERT_NE(series, nullptr);
    EXPECT_EQ(series->length, 1000);
    EXPECT_EQ(series->repeats, 502);
    EXPECT_EQ(CountIdentity(series, 1), 502);
    for (int32_t i = 498; i < 1000; ++i) { // noise level 0: the copies lie exactly on the pick
        ASSERT_EQ(series->vectorIdentities[i], 1) << i;
        ASSERT_EQ(series->noisyVectorValues[i][0], expected[0]) << i;
        ASSERT_EQ(series->noisyVectorValues[i][1], expected[1]) << i;
    }
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(PointerCommands, SecondPickIsIgnoredUntilRestart)
{
    OpenWindow();
    Click(PickPoint(State()).x, PickPoint(State()).y);
    const std::vector<int32_t> before = NoisyValues(State().series);
    const int32_t picked[2] = {State().initialVector[0], State().initialVector[1]};
    const int16_t noiseBefore = State().generators.noise;

    Click(State().seriesPanelRect.left + 20, State().seriesPanelRect.bottom - 20);
    EXPECT_EQ(State().pickCount, 1);
    EXPECT_EQ(State().pickedVectors->count, 1);
    EXPECT_EQ(State().initialVector[0], picked[0]);
    EXPECT_EQ(State().initialVector[1], picked[1]);
    EXPECT_EQ(State().generators.noise, noiseBefore); // no command ran
    EXPECT_EQ(NoisyValues(State().series), before);

    ClickButton(RestartButton);
    Click(State().seriesPanelRect.left + 20, State().seriesPanelRect.bottom - 20);
    EXPECT_EQ(State().pickCount, 1);
    EXPECT_LT(State().initialVector[0], 0);
    EXPECT_LT(State().initialVector[1], 0);
}

TEST_F(PointerCommands, RepeatAndNoiseButtonsAddFreshNoiseToTheSameSeries)
{
    OpenWindow();
    Click(PickPoint(State()).x, PickPoint(State()).y);
    const std::vector<int32_t> clean = CleanValues(State().series);

    ClickButton(SearchButton);
    ASSERT_EQ(State().searchDone, 1);
    ClickButton(NoiseUpButton);
    EXPECT_EQ(State().noiseLevel, 5);
    EXPECT_EQ(State().searchDone, 0);
    EXPECT_EQ(State().series->noiseLevel, 5);
    const std::vector<int32_t> firstNoise = NoisyValues(State().series);
    EXPECT_NE(firstNoise, clean);

    ClickButton(SearchButton);
    ClickButton(RepeatButton);
    EXPECT_EQ(State().searchDone, 0);
    EXPECT_EQ(State().noiseLevel, 5);
    EXPECT_EQ(State().pickCount, 1);
    EXPECT_EQ(State().seriesHidden, 0);
    EXPECT_EQ(CleanValues(State().series), clean);
    EXPECT_NE(NoisyValues(State().series), firstNoise);
}

TEST_F(PointerCommands, NoiseLevelStepsStopAtBothEnds)
{
    OpenWindow();
    const int32_t upLevels[] = {5, 10, 25, 50, 100, 100};
    for (int32_t level : upLevels) {
        const int16_t noiseBefore = State().generators.noise;
        ClickButton(NoiseUpButton);
        EXPECT_EQ(State().noiseLevel, level);
        EXPECT_NE(State().generators.noise, noiseBefore) << "each press rebuilds the series with fresh noise";
    }
    EXPECT_EQ(State().noiseLevelIndex, 5);

    for (int32_t level : {50, 25, 10, 5, 0, 0}) {
        ClickButton(NoiseDownButton);
        EXPECT_EQ(State().noiseLevel, level);
    }
    EXPECT_EQ(State().noiseLevelIndex, 0);

    // At the lowest level the press keeps the level but still clears the result flag.
    ClickButton(SearchButton);
    ASSERT_EQ(State().searchDone, 1);
    ClickButton(NoiseDownButton);
    EXPECT_EQ(State().noiseLevel, 0);
    EXPECT_EQ(State().searchDone, 0);
}

TEST_F(PointerCommands, DoubleClickOnNoiseLevelUpActsAsTwoPresses)
{
    OpenWindow();
    const Rect& up = State().buttonRects[NoiseUpButton];
    UserDoubleClick(window, CentreX(up), CentreY(up));
    PumpMessages();
    EXPECT_EQ(State().noiseLevelIndex, 2);
    EXPECT_EQ(State().noiseLevel, 10);
}

TEST_F(PointerCommands, RestartEmptiesThePicksAndRebuildsAHiddenBackground)
{
    OpenWindow();
    Click(PickPoint(State()).x, PickPoint(State()).y);
    ClickButton(NoiseUpButton);
    ClickButton(SearchButton);
    const std::vector<int32_t> oldClean = CleanValues(State().series);
    const VectorsArrayHeader* picked = State().pickedVectors;

    ClickButton(RestartButton);
    EXPECT_EQ(State().noiseLevelIndex, 0);
    EXPECT_EQ(State().noiseLevel, 0);
    EXPECT_EQ(State().pickCount, 0);
    EXPECT_EQ(State().pickedVectors, picked);
    EXPECT_EQ(State().pickedVectors->count, 0);
    EXPECT_EQ(State().seriesHidden, 1);
    EXPECT_EQ(State().searchDone, 0);
    ASSERT_NE(State().series, nullptr);
    EXPECT_EQ(State().series->backgroundGenerated, 1);
    EXPECT_EQ(CountIdentity(State().series, 0), 1000);
    EXPECT_EQ(State().series->noiseLevel, 0);
    const std::vector<int32_t> newClean = CleanValues(State().series);
    EXPECT_NE(std::vector<int32_t>(newClean.begin(), newClean.begin() + 996),
              std::vector<int32_t>(oldClean.begin(), oldClean.begin() + 996)); // a new background
    EXPECT_EQ(NoisyValues(State().series), newClean);                         // level 0 adds nothing
}

TEST_F(PointerCommands, RestartBeforeAnySeriesBuildsAHiddenBackground)
{
    OpenWindow();
    ClickButton(RestartButton);
    ASSERT_NE(State().series, nullptr);
    EXPECT_EQ(CountIdentity(State().series, 0), 1000);
    EXPECT_EQ(State().seriesHidden, 1);
    EXPECT_EQ(State().pickCount, 0);
}

TEST_F(PointerCommands, SearchFromTheButtonTheMenuAndTheResultPanel)
{
    OpenWindow();
    Click(PickPoint(State()).x, PickPoint(State()).y);
    VectorHeader* centre = State().centerVector;

    // The menu item runs the search but leaves the flag as it is.
    ChooseMenu(" Processing", " Search");
    EXPECT_EQ(State().searchDone, 0);
    const VectorSeriesHeader* series = State().series;
    ASSERT_GE(series->centerIndex, 499); // noise 0: the centre is one of the copies
    for (int32_t i = 0; i < 502; ++i)
        ASSERT_GE(series->subsetIndices[i], 498) << i;
    EXPECT_EQ(State().centerVector, centre);

    ClickButton(SearchButton);
    EXPECT_EQ(State().searchDone, 1);
    ClickButton(RepeatButton);
    ASSERT_EQ(State().searchDone, 0);
    const Rect& result = State().resultPanelRect;
    Click(result.left + 3, result.bottom - 3);
    EXPECT_EQ(State().searchDone, 1);
    EXPECT_EQ(State().centerVector, centre);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(PointerCommands, SearchBeforeAnySeriesRunsNothing)
{
    OpenWindow();
    VectorHeader* centre = State().centerVector;
    ChooseMenu(" Processing", " Search");
    EXPECT_EQ(State().searchDone, 0);
    ClickButton(SearchButton);
    EXPECT_EQ(State().searchDone, 1);
    const Rect& result = State().resultPanelRect;
    Click(CentreX(result), CentreY(result));
    EXPECT_EQ(State().series, nullptr);
    EXPECT_EQ(State().centerVector, centre);
    EXPECT_TRUE(messages.messages().empty());

    // A pick afterwards builds a series that no search has looked at.
    Click(PickPoint(State()).x, PickPoint(State()).y);
    ASSERT_NE(State().series, nullptr);
    EXPECT_EQ(State().series->centerIndex, 0);
    EXPECT_EQ(State().searchDone, 1);
}

TEST_F(PointerCommands, PickNeedsPressAndReleaseInsideTheSeriesPanel)
{
    OpenWindow();
    const Rect& panel = State().seriesPanelRect;
    const int32_t outsideX = State().workRect.left + 1;
    const int32_t outsideY = CentreY(panel);

    UserPress(window, CentreX(panel), CentreY(panel));
    PumpMessages();
    EXPECT_EQ(State().seriesPanelPressed, 1);
    UserRelease(window, outsideX, outsideY);
    PumpMessages();
    EXPECT_EQ(State().seriesPanelPressed, 0);
    EXPECT_EQ(State().pickCount, 0);

    UserPress(window, outsideX, outsideY);
    UserRelease(window, CentreX(panel), CentreY(panel));
    PumpMessages();
    EXPECT_EQ(State().pickCount, 0);
    EXPECT_EQ(State().series, nullptr);
    EXPECT_EQ(State().seriesHidden, 1);

    // Every edge of the panel belongs to it.
    Click(panel.right, panel.bottom);
    EXPECT_EQ(State().pickCount, 1);
    EXPECT_GE(State().initialVector[0], 179);
    EXPECT_LE(State().initialVector[0], 180);
    EXPECT_GE(State().initialVector[1], -180);
    EXPECT_LE(State().initialVector[1], -179);
}

TEST_F(PointerCommands, CreateSeriesAndRepeatMenuItemsBuildTheSameHiddenSeries)
{
    OpenWindow();
    State().searchDone = 1;
    ChooseMenu(" Processing", " Create vector series");
    ASSERT_NE(State().series, nullptr);
    const std::vector<int32_t> clean = CleanValues(State().series);
    EXPECT_EQ(CountIdentity(State().series, 0), 1000);
    EXPECT_EQ(State().seriesHidden, 1);
    EXPECT_EQ(State().searchDone, 1);

    const int16_t background = State().generators.background;
    ChooseMenu(" Processing", " Repeat");
    EXPECT_EQ(CleanValues(State().series), clean);
    EXPECT_EQ(State().generators.background, background); // the background is drawn once
    EXPECT_EQ(State().searchDone, 1);
}

TEST_F(PointerCommands, PickWhenTheSeriesCannotBeMadeLeavesNoSeries)
{
    OpenWindow();
    FailNthAllocation(1);
    Click(PickPoint(State()).x, PickPoint(State()).y);
    FailNthAllocation(0);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "Нет памяти для newVectorSeriesHeader!");
    EXPECT_EQ(messages.messages()[0].caption, "Error");
    EXPECT_EQ(messages.messages()[0].owner, window);
    EXPECT_EQ(State().series, nullptr);
    EXPECT_EQ(State().pickCount, 1);

    ClickButton(SearchButton); // nothing to search, nothing shown
    EXPECT_EQ(State().series, nullptr);
    EXPECT_EQ(messages.messages().size(), 1u);
}

} // namespace

// Start-up could not make the picked set: Restart skips emptying it, and the
// series commands report that there is nothing to build from.
TEST_F(PointerCommands, WithoutAPickedSetRestartAndRepeatReportAndBuildNothing)
{
    FailAllocationsFrom(1);
    OpenWindow();
    FailNthAllocation(0);
    ASSERT_EQ(State().pickedVectors, nullptr);
    messages.clear();

    ClickButton(NoiseUpButton);
    ClickButton(RestartButton);
    ChooseMenu(" Processing", " Repeat");
    ASSERT_EQ(messages.messages().size(), 3u);
    for (const RecordedMessage& m : messages.messages()) {
        EXPECT_EQ(m.text, "Не задан lpVectorsArrayHeader!");
        EXPECT_EQ(m.caption, "Error");
        EXPECT_EQ(m.owner, window);
    }
    EXPECT_EQ(State().series, nullptr);
    EXPECT_EQ(State().noiseLevel, 0);
    EXPECT_EQ(State().pickCount, 0);
    EXPECT_EQ(State().seriesHidden, 1);

    ClickButton(SearchButton); // nothing to search
    EXPECT_EQ(messages.messages().size(), 3u);
    EXPECT_FALSE(WindowClosed());
}
