// Replays in one process: each opens a main window of its own from the
// program-start state, so a replay that follows another gives its results.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../window/export/export_files.h"
#include "cli/window/demo_replay.h"
#include "platform/testing.h"

namespace {

struct ReplayResult {
    std::vector<std::string> views; // per action: noise, series, centre and its coordinates
    std::vector<int32_t> identities;
    std::vector<int32_t> noisyValues;
    std::vector<uint8_t> picture;
};

std::string ViewText(const DemoView& view)
{
    std::string text = std::to_string(view.noise) + (view.series ? " series " : " none ") + std::to_string(view.centre);
    for (int32_t v : view.centreVector)
        text += " " + std::to_string(v);
    return text;
}

ReplayResult Replay(const std::vector<DemoAction>& actions, const std::string& picture)
{
    ReplayResult result;
    const ToolError opened = OpenDemoWindow(800, 560, actions);
    EXPECT_FALSE(opened) << opened.message;
    for (const DemoAction& action : actions) {
        const ToolError error = RunDemoAction(action, picture);
        EXPECT_FALSE(error) << error.message;
        result.views.push_back(ViewText(CurrentDemoView()));
    }
    const DemoSeries series = CurrentDemoSeries();
    result.identities = series.identities;
    result.noisyValues = series.noisyValues;
    CloseDemoWindow();
    EXPECT_EQ(LiveWindowCount(), 0);
    result.picture = ReadWholeFile(picture);
    return result;
}

// Each replay saves nine times over: a process's saves are not limited by a
// fixed number of temporary names.
TEST(DemoReplay, TwoReplaysInOneProcessGiveTheSameResults)
{
    std::vector<DemoAction> actions;
    for (const char* word : {"pick:40,-30", "up", "up", "search", "repeat", "search", "save:shot.bmp"}) {
        DemoAction action;
        ASSERT_FALSE(ParseDemoAction(word, action)) << word;
        actions.push_back(action);
    }
    actions.insert(actions.end(), 8, actions.back());
    ScratchFolder folder;
    const ReplayResult first = Replay(actions, folder.path("first.bmp"));
    const ReplayResult second = Replay(actions, folder.path("second.bmp"));

    ASSERT_EQ(first.views.size(), actions.size());
    EXPECT_NE(first.views[3].find("10 series "), std::string::npos) << first.views[3];
    EXPECT_NE(first.views[3], "10 series 0") << "the search found a centre";
    EXPECT_EQ(second.views, first.views);
    EXPECT_FALSE(first.identities.empty());
    EXPECT_EQ(second.identities, first.identities);
    EXPECT_EQ(second.noisyValues, first.noisyValues);
    EXPECT_FALSE(first.picture.empty());
    EXPECT_EQ(second.picture, first.picture);
}

} // namespace
