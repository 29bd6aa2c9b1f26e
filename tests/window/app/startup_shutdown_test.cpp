#include <cstring>
#include <functional>
#include <string>

#include "../main_window_fixture.h"
#include "platform/drawing.h"
#include "res/resources.h"

namespace {

using StartUpAndShutdown = MainWindowTest;

void ExpectVector(const VectorHeader* v, int32_t value)
{
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->capacity, 2);
    EXPECT_EQ(v->count, 2);
    EXPECT_EQ(v->value, value);
    EXPECT_EQ(v->lpData[0], 100);
    EXPECT_EQ(v->lpData[1], 100);
}

TEST_F(StartUpAndShutdown, OpensMaximisedPaintedAndInTheInitialState)
{
    OpenWindow();
    EXPECT_TRUE(WindowIsMaximized(window));
    EXPECT_STREQ(WindowTitle(window), "KestrandVectorsSubset");
    EXPECT_EQ(State().instance, CurrentInstance());
    EXPECT_EQ(State().font, StockBodyFont());

    EXPECT_EQ(State().dimension, 2);
    EXPECT_EQ(State().noiseLevelIndex, 0);
    EXPECT_EQ(State().noiseLevel, 0);
    ASSERT_NE(State().initialVector, nullptr);
    EXPECT_EQ(State().initialVector[0], 100);
    EXPECT_EQ(State().initialVector[1], 100);
    ExpectVector(State().referenceVector, 1);
    ExpectVector(State().centerVector, 1);
    EXPECT_NE(State().referenceVector, State().centerVector);
    ASSERT_NE(State().pickedVectors, nullptr);
    EXPECT_EQ(State().pickedVectors->dimensionCapacity, 2);
    EXPECT_EQ(State().pickedVectors->dimension, 2);
    EXPECT_EQ(State().pickedVectors->capacity, 1);
    EXPECT_EQ(State().pickedVectors->count, 0);
    EXPECT_EQ(State().series, nullptr);
    EXPECT_EQ(State().pickCount, 0);
    EXPECT_EQ(State().searchDone, 0);
    EXPECT_EQ(State().seriesHidden, 1);
    EXPECT_EQ(State().generators.noise, kInitialNoiseState);
    EXPECT_EQ(State().generators.background, kInitialBackgroundState);
    EXPECT_TRUE(messages.messages().empty());

    // The first paint ran before any input could arrive: the layout exists.
    EXPECT_GT(State().lineHeight, 0);
    EXPECT_GT(State().seriesPanelRect.right, State().seriesPanelRect.left);
    EXPECT_GT(State().resultPanelRect.left, State().seriesPanelRect.right);
    EXPECT_EQ(State().buttonRects[ExitButton].right, State().workRect.right - State().marginX);
}

// The first paint runs inside the making of the window, before any message
// is handled, so a click has rectangles to be tested against at once.
TEST_F(StartUpAndShutdown, WindowIsLaidOutBeforeTheFirstMessageIsHandled)
{
    window = CreateMainWindow(CurrentInstance(), 6); // asked to start minimised
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(WindowIsMaximized(window));
    EXPECT_GT(State().lineHeight, 0);
    EXPECT_GT(State().seriesPanelRect.right, State().seriesPanelRect.left);
    EXPECT_EQ(State().buttonRects[ExitButton].right, State().workRect.right - State().marginX);
    EXPECT_EQ(ClientPixel(window, State().seriesPanelRect.left, CentreY(State().seriesPanelRect) + 5),
              MakeColor(0, 0, 0));
}

TEST_F(StartUpAndShutdown, MenuBarCarriesEveryCommand)
{
    OpenWindow();
    char description[2048];
    ASSERT_GT(WindowMenuDescription(window, description, sizeof description), 0);
    const std::string menu = description;
    for (const char* line : {"&File| Save image as...|32771", "&File|-|0", "&File| E&xit|105",
                             " Processing| Create vector series|32772", " Processing| Repeat|32773",
                             " Processing| Search|32774", "&Help|&About ...|104"})
        EXPECT_NE(menu.find(line), std::string::npos) << line;
}

TEST_F(StartUpAndShutdown, CloseBeforeAnySeriesReleasesEverythingAndQuitsWithZero)
{
    OpenWindow();
    UserCloseWindow(window);
    PumpMessages();
    EXPECT_TRUE(WindowClosed());
    int exitCode = -1;
    ASSERT_TRUE(QuitWasPosted(&exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(MainWindowState(window), nullptr); // the state went with the window
    EXPECT_EQ(LiveAllocationCount(), liveBefore);
}

// The Exit button, File Exit and any command id without an action of its own all close.
TEST_F(StartUpAndShutdown, ExitPathsCloseTheWindowWithExitCodeZero)
{
    const std::function<void()> exits[] = {
        [&] { ClickButton(ExitButton); },
        [&] { ChooseMenu("&File", " E&xit"); },
        [&] { SendAppMessage(window, MessageCommand, 4242, 0); PumpMessages(); },
    };
    int variant = 0;
    for (const auto& exit : exits) {
        SCOPED_TRACE(variant++);
        ResetProgramState();
        ResetPostedQuit();
        OpenWindow();
        ClickButton(NoiseUpButton); // a series exists, so it is released too
        ASSERT_NE(State().series, nullptr);
        exit();
        EXPECT_TRUE(WindowClosed());
        int exitCode = -1;
        ASSERT_TRUE(QuitWasPosted(&exitCode));
        EXPECT_EQ(exitCode, 0);
        EXPECT_EQ(MainWindowState(window), nullptr);
        EXPECT_EQ(LiveAllocationCount(), liveBefore);
    }
}

// Each main window has a state of its own: what one is shown and does leaves
// the other as it was, and closing one leaves the other's state in place.
TEST_F(StartUpAndShutdown, TwoMainWindowsKeepStatesOfTheirOwn)
{
    OpenWindow();
    AppWindow* second = CreateMainWindow(CurrentInstance(), 0);
    ASSERT_NE(second, nullptr);
    PumpMessages();
    AppState* other = MainWindowState(second);
    ASSERT_NE(other, nullptr);
    ASSERT_NE(other, &State());
    EXPECT_EQ(OldestMainWindow(), window);

    ClickButton(NoiseUpButton);
    ASSERT_NE(State().series, nullptr);
    EXPECT_EQ(State().noiseLevel, 5);
    EXPECT_EQ(other->series, nullptr);
    EXPECT_EQ(other->noiseLevel, 0);
    EXPECT_EQ(other->generators.noise, kInitialNoiseState);
    EXPECT_EQ(other->generators.background, kInitialBackgroundState);

    UserCloseWindow(window);
    PumpMessages();
    EXPECT_EQ(MainWindowState(window), nullptr);
    EXPECT_EQ(MainWindowState(second), other);
    EXPECT_EQ(OldestMainWindow(), second);
    window = second; // closed by TearDown
}

TEST_F(StartUpAndShutdown, StartUpGoesOnWhenTheContainersCannotBeMade)
{
    FailAllocationsFrom(1);
    OpenWindow();
    FailNthAllocation(0);
    EXPECT_NE(window, nullptr);
    EXPECT_EQ(State().referenceVector, nullptr);
    EXPECT_EQ(State().centerVector, nullptr);
    EXPECT_EQ(State().pickedVectors, nullptr);
    std::vector<std::string> texts;
    for (const RecordedMessage& m : messages.messages()) {
        texts.push_back(m.text);
        EXPECT_EQ(m.caption, "Error");
        EXPECT_EQ(m.owner, window);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Нет памяти для newVectorHeader!", "Нет памяти для newVectorHeader!",
                                               "Нет памяти для newVectorsArrayHeader!"}));

    // A pick makes what start-up could not, and the series is built from it.
    messages.clear();
    const Rect panel = State().seriesPanelRect;
    Click(CentreX(panel), CentreY(panel));
    EXPECT_TRUE(messages.messages().empty());
    ASSERT_NE(State().pickedVectors, nullptr);
    EXPECT_EQ(State().pickedVectors->count, 1);
    ASSERT_NE(State().series, nullptr);
    ClickButton(SearchButton);
    EXPECT_GE(State().series->centerIndex, 1);
}

TEST_F(StartUpAndShutdown, AboutDialogEndsWithOkOrCancel)
{
    OpenWindow();
    for (int answer : {kCommandOk, kCommandCancel}) {
        SCOPED_TRACE(answer);
        dialogLog = DialogLog{};
        dialogLog.answer = answer;
        ChooseMenu("&Help", "&About ...");
        EXPECT_EQ(dialogLog.opened, 1);
        EXPECT_EQ(dialogLog.resource, &kAboutDialog);
        EXPECT_EQ(dialogLog.owner, window);
        EXPECT_EQ(dialogLog.initResult, 1);
        EXPECT_EQ(dialogLog.commandResult, 1);
        EXPECT_EQ(RunDialogBox(CurrentInstance(), &kAboutDialog, window, AboutDialogProc), answer);
    }
    // Only the low 16 bits of the first parameter carry the command id.
    dialogLog = DialogLog{};
    SendAppMessage(window, MessageCommand, 0x30000 | IDM_ABOUT, 0);
    EXPECT_EQ(dialogLog.opened, 1);
    EXPECT_FALSE(WindowClosed());
    EXPECT_EQ(State().series, nullptr); // the dialog changes nothing
}

TEST_F(StartUpAndShutdown, AboutDialogLeavesOtherMessagesToTheDefault)
{
    EXPECT_EQ(AboutDialogProc(nullptr, MessageCommand, 3, 0), 0);
    EXPECT_EQ(AboutDialogProc(nullptr, MessagePaint, 0, 0), 0);
}

TEST_F(StartUpAndShutdown, KeysRunNoCommand)
{
    OpenWindow();
    for (int key : {0, 1, int('R'), int('S'), 13, 27})
        UserKey(window, key);
    PumpMessages();
    EXPECT_FALSE(WindowClosed());
    EXPECT_EQ(State().series, nullptr);
    EXPECT_EQ(State().searchDone, 0);
    EXPECT_EQ(dialogLog.opened, 0);
}

} // namespace
