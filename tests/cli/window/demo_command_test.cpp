// kvs demo against the real window: the same actions give the same centres,
// the same picture bytes and a series that kvs search answers as the window
// did; bad actions are refused before anything is written.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "../../window/export/export_files.h"
#include "../../window/main_window_fixture.h"
#include "app/commands.h"
#include "platform/save_dialog.h"

namespace {

constexpr int32_t kClientWidth = 1280;
constexpr int32_t kClientHeight = 1005;

std::string savedAs;

SaveFileResult SaveAs(SaveFileRequest* request)
{
    std::strcpy(request->fileName, savedAs.c_str());
    return SaveFileConfirmed;
}

std::string Kvs(const std::string& arguments, int* status)
{
    return RunCommand(std::string(KVS_PROGRAM) + " " + arguments, status);
}

// The end of a JSON line of kvs demo, from the centre on.
std::string CentreOf(const std::string& line)
{
    const size_t at = line.find("\"centre\": ");
    return at == std::string::npos ? "" : line.substr(at);
}

class DemoAgainstWindow : public MainWindowTest {
protected:
    // The window's result after the actions, as kvs demo prints it.
    std::string WindowCentre() const
    {
        const VectorSeriesHeader* s = State().series;
        const int32_t* row = s->noisyVectorValues[s->centerIndex - 1];
        return "\"centre\": " + std::to_string(s->centerIndex) + ", \"centre_vector\": [" +
               std::to_string(row[0]) + ", " + std::to_string(row[1]) + "]}";
    }

    void Save(const std::string& path)
    {
        savedAs = path;
        const SaveFileDialogHandler previous = SetSaveFileDialogHandler(SaveAs);
        ChooseMenu("&File", " Save image as...");
        SetSaveFileDialogHandler(previous);
    }

    ScratchFolder folder;
};

TEST_F(DemoAgainstWindow, SameActionsGiveTheWindowsCentresPicturesAndSeries)
{
    OpenWindow();
    UserResizeClient(window, kClientWidth, kClientHeight);
    PumpMessages();
    const Rect& panel = State().seriesPanelRect;
    const int32_t px = panel.left + (panel.right - panel.left) / 3;
    const int32_t py = panel.top + 2 * (panel.bottom - panel.top) / 3;
    int32_t pick[2];
    ClickToVector(window, panel, px, py, appSettings.coordinateRange, 2, pick);

    Click(px, py);
    ClickButton(NoiseUpButton);
    ClickButton(NoiseUpButton);
    ClickButton(NoiseUpButton);
    ClickButton(SearchButton);
    const std::string firstCentre = WindowCentre();
    ClickButton(RepeatButton);
    ClickButton(SearchButton);
    const std::string secondCentre = WindowCentre();
    Save(folder.path("window.bmp"));
    Save(folder.path("window.PCX"));
    ASSERT_TRUE(messages.messages().empty());

    int status = -1;
    const std::string pickAction = "pick:" + std::to_string(pick[0]) + "," + std::to_string(pick[1]);
    std::istringstream lines(Kvs("demo --format json --export-series " + folder.path("series.csv") + " " +
                                     pickAction + " up up up search repeat search save:" + folder.path("demo.bmp") +
                                     " save:" + folder.path("demo.PCX"),
                                 &status));
    ASSERT_EQ(status, 0);
    std::vector<std::string> printed;
    for (std::string line; std::getline(lines, line);)
        printed.push_back(line);
    ASSERT_EQ(printed.size(), 9u);
    EXPECT_EQ(printed[0], "{\"action\": \"" + pickAction + "\", \"noise\": 0, \"series\": true, \"centre\": 0, "
                          "\"centre_vector\": null}");
    EXPECT_EQ(CentreOf(printed[4]), firstCentre);
    EXPECT_NE(printed[4].find("\"noise\": 25"), std::string::npos);
    EXPECT_EQ(CentreOf(printed[5]), "\"centre\": 0, \"centre_vector\": null}"); // Repeat hides the result
    EXPECT_EQ(CentreOf(printed[6]), secondCentre);
    EXPECT_EQ(ReadWholeFile(folder.path("demo.bmp")), ReadWholeFile(folder.path("window.bmp")));
    EXPECT_EQ(ReadWholeFile(folder.path("demo.PCX")), ReadWholeFile(folder.path("window.PCX")));
    EXPECT_EQ(ReadWholeFile(folder.path("demo.bmp")).size(), 54u + 4u * kClientWidth * kClientHeight);

    // kvs search over the exported series finds the window's centre and subset.
    const std::string found = Kvs("search " + folder.path("series.csv") + " --columns 2,3 --size 502 --format json",
                                  &status);
    ASSERT_EQ(status, 0) << found;
    std::string subset;
    for (int32_t i = 0; i < 502; ++i)
        subset += (i ? ", " : "") + std::to_string(State().series->subsetIndices[i] + 1);
    EXPECT_NE(found.find("\"centre\": " + std::to_string(State().series->centerIndex)), std::string::npos) << found;
    EXPECT_NE(found.find("\"subset\": [" + subset + "]"), std::string::npos) << found;
}

// Each bad call: one line on standard error, its exit code, nothing on
// standard output and no file left in the folder.
TEST(DemoRefusals, BadActionsAndFailedWritesLeaveNothingWritten)
{
    ScratchFolder folder;
    const std::string good = "pick:10,20 search save:" + folder.path("a.bmp");
    const struct {
        std::string arguments;
        int exitCode;
        std::string message;
        std::string shellPrefix = "";
    } cases[] = {
        {good + " pick:10", 2,
         "kvs demo: bad action \"pick:10\": a pick is pick:X,Y with whole numbers, X from -179 to 180 and Y from "
         "-180 to 179; see 'kvs demo --help'"},
        {good + " pick:181,0", 2, "a pick is pick:X,Y"},
        {good + " pick:-180,0", 2, "a pick is pick:X,Y"},  // no click gives it, at any client size
        {good + " pick:0,180", 2, "a pick is pick:X,Y"},
        {good + " pick:1,2x", 2, "a pick is pick:X,Y"},
        {good + " jump", 2, "unknown action \"jump\""},
        {good + " save:" + folder.path("missing/b.bmp"), 2, "does not exist"},
        {good + " save:" + folder.path("b.png"), 2, "must end in one of them"},
        {"--client 1280x0 " + good, 2, "kvs demo: --client 1280x0: expected WxH"},
        {"--format yaml " + good, 2, "kvs demo: --format yaml: expected text or json; see 'kvs demo --help'"},
        {"--client 100x100 " + good, 2, "no click in the series panel"},
        {"--export-series " + folder.path("s.csv") + " search", 2, "no series exists"},
        // The picture stops at the file size limit: a failure while running.
        {good, 1, "Bitmap file is not created", "trap \"\" XFSZ; ulimit -f 8; "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        int status = -1;
        const std::string error = RunCommand(
            "sh -c '" + c.shellPrefix + "exec " + KVS_PROGRAM + " demo " + c.arguments + "' 2>&1 >/dev/null", &status);
        EXPECT_EQ(status, c.exitCode);
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;
        EXPECT_TRUE(std::filesystem::is_empty(folder.path(""))) << c.arguments;
    }
}

} // namespace
