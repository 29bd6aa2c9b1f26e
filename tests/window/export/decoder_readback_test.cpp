// Snapshots of the program's own window, read back by real image decoders:
// Python's PIL for both files and ImageMagick for the BMP (ImageMagick 6
// reads every one-plane, 1-bit PCX as blank white, whatever its lines hold).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "app/app_state.h"
#include "app/main_window.h"
#include "display/panels.h"
#include "export_files.h"
#include "picture_window.h"
#include "platform/testing.h"
#include "platform/window.h"
#include "stand_in_save_dialog.h"
#include "support/recording_message_box.h"
#include "vectors/noise_generators.h"

namespace {

constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kConvert = "/usr/bin/convert";

// Prints "format mode width height mismatches". For the PCX a reference
// pixel of the background (white) must read 1, every other pixel 0.
constexpr const char* kCompareScript = R"(import sys
from PIL import Image
kind, picture, reference = sys.argv[1:4]
image = Image.open(picture)
want = list(Image.open(reference).convert('RGB').getdata())
if kind == 'bmp':
    got = list(image.convert('RGB').getdata())
else:
    got = [255 if v else 0 for v in image.getdata()]
    want = [255 if p == (255, 255, 255) else 0 for p in want]
bad = sum(1 for a, b in zip(got, want) if a != b) + abs(len(got) - len(want))
print(image.format, image.mode, image.size[0], image.size[1], bad)
)";

class DecoderReadbackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProgramState();
        EnsurePlatformStarted();
        static const bool registered = RegisterMainWindowClass(CurrentInstance());
        ASSERT_TRUE(registered);
        window = CreateMainWindow(CurrentInstance(), 0);
        ASSERT_NE(window, nullptr);
        // PIL takes a PCX line to be the width's bytes rounded up to an even
        // count, not the header's bytes per line; with a width that is a
        // multiple of 32 pixels the two agree.
        UserResizeClient(window, 800, 560);
        PumpMessages();
    }

    void TearDown() override
    {
        UserCloseWindow(window);
        PumpMessages();
        ResetProgramState();
    }

    static void ResetProgramState()
    {
        noiseState = kInitialNoiseState;
        backgroundState = kInitialBackgroundState;
    }

    void Click(int32_t x, int32_t y)
    {
        UserPress(window, x, y);
        UserRelease(window, x, y);
        PumpMessages();
    }

    // Saves through the menu as a user would, the stand-in prompt choosing path.
    void SaveThroughMenu(const std::string& path)
    {
        saveDialog.path = path;
        ASSERT_TRUE(UserChooseMenuItem(window, "&File", " Save image as..."));
        PumpMessages();
        ASSERT_TRUE(messages.messages().empty()) << messages.messages()[0].text;
        ASSERT_TRUE(FileExists(path));
    }

    std::string Compare(const char* kind, const std::string& picture, const std::string& reference)
    {
        std::string script = folder.path("compare.py");
        std::ofstream(script) << kCompareScript;
        int status = 0;
        std::string out = RunCommand(std::string(kPython) + " " + script + " " + kind + " " + picture + " " + reference,
                                     &status);
        EXPECT_EQ(status, 0) << out;
        return out;
    }

    // The decoded pixels as raw red, green, blue bytes from ImageMagick.
    std::string ConvertToRaw(const std::string& picture)
    {
        int status = 0;
        std::string out = RunCommand(std::string(kConvert) + " " + picture + " -depth 8 rgb:-", &status);
        EXPECT_EQ(status, 0);
        return out;
    }

    AppWindow* window = nullptr;
    ScratchFolder folder;
    MessageRecorder messages;
    StandInSaveDialog dialog;
};

TEST_F(DecoderReadbackTest, SnapshotsOfThePaintedWindowAfterAPickAndASearch)
{
    // A pick up and to the right of the plane's centre, then Search.
    const AppState& state = *MainWindowState(window);
    const Rect& panel = state.seriesPanelRect;
    Click((panel.left + panel.right) / 2 + 40, (panel.top + panel.bottom) / 2 - 30);
    const Rect& search = state.buttonRects[SearchButton];
    Click((search.left + search.right) / 2, (search.top + search.bottom) / 2);
    ASSERT_NE(state.series, nullptr);
    ASSERT_TRUE(state.searchDone);

    std::string bmp = folder.path("window.bmp");
    std::string pcx = folder.path("window.pcx");
    SaveThroughMenu(bmp);
    SaveThroughMenu(pcx);

    Rect client = GetClientArea(window);
    std::string reference = folder.path("window.ppm");
    WriteClientAsPpm(window, reference);
    std::string size = std::to_string(client.right) + " " + std::to_string(client.bottom);
    EXPECT_EQ(Compare("bmp", bmp, reference), "BMP RGB " + size + " 0\n");
    EXPECT_EQ(Compare("pcx", pcx, reference), "PCX 1 " + size + " 0\n");

    // ImageMagick: the BMP's colours.
    std::vector<Color> colors = ClientColors(window);
    std::string rgb = ConvertToRaw(bmp);
    ASSERT_EQ(rgb.size(), colors.size() * 3);
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < colors.size(); ++i) {
        Color c = colors[i];
        wrong += uint8_t(rgb[3 * i]) != ColorRed(c) || uint8_t(rgb[3 * i + 1]) != ColorGreen(c) ||
                 uint8_t(rgb[3 * i + 2]) != ColorBlue(c);
    }
    EXPECT_EQ(wrong, 0u);

    // The picture is not blank: the series, the subset and the texts are in it.
    std::size_t white = std::count(colors.begin(), colors.end(), Color(0x00FFFFFF));
    EXPECT_GT(white, 0u);
    EXPECT_LT(white, colors.size());
    EXPECT_GT(std::count(colors.begin(), colors.end(), IdentityColor(1)), 0);
}

}
