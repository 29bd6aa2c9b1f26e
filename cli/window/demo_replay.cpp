#include "cli/window/demo_replay.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/main_window.h"
#include "display/screen_layout.h"
#include "platform/message_box.h"
#include "platform/save_dialog.h"
#include "platform/testing.h"
#include "platform/window.h"

namespace {

struct ActionWord {
    std::string_view word;
    DemoAction::Kind kind;
    int button;
};

constexpr ActionWord kButtonActions[] = {
    {"repeat", DemoAction::Repeat, RepeatButton},   {"up", DemoAction::Up, NoiseUpButton},
    {"down", DemoAction::Down, NoiseDownButton},    {"restart", DemoAction::Restart, RestartButton},
    {"search", DemoAction::Search, SearchButton},
};

AppWindow* demoWindow = nullptr;
std::vector<std::string> shownMessages;
const char* savePath = nullptr; // the name the save prompt answers with

void RecordMessage(AppWindow* /*owner*/, const char* text, const char* /*caption*/)
{
    shownMessages.emplace_back(text);
}

SaveFileResult AnswerSavePrompt(SaveFileRequest* request)
{
    if (!savePath || std::strlen(savePath) + 1 > request->fileNameSize) {
        request->fileName[0] = '\0';
        return savePath ? SaveFileNameTooLong : SaveFileCancelled;
    }
    std::memcpy(request->fileName, savePath, std::strlen(savePath) + 1);
    return SaveFileConfirmed;
}

// The window's state, as its latest paint and the user's actions left it.
const AppState& DemoState() { return *MainWindowState(demoWindow); }

bool Contains(const Rect& r, int32_t x, int32_t y)
{
    return r.left <= x && x <= r.right && r.top <= y && y <= r.bottom;
}

int32_t CentreX(const Rect& r) { return (r.left + r.right) / 2; }
int32_t CentreY(const Rect& r) { return (r.top + r.bottom) / 2; }

// Whether a press at the button's centre lands on it: the series panel and
// the buttons before it in the window's hit order must not take the point.
bool ButtonPressable(int button)
{
    const AppState& state = DemoState();
    const Rect& r = state.buttonRects[button];
    const int32_t x = CentreX(r);
    const int32_t y = CentreY(r);
    if (r.left > r.right || r.top > r.bottom || Contains(state.seriesPanelRect, x, y))
        return false;
    for (int before = 0; before < button; ++before) {
        if (Contains(state.buttonRects[before], x, y))
            return false;
    }
    return true;
}

// The client point whose click the window maps to the vector (x, y), found
// with the window's own mapping; false when no pixel of the panel gives it.
bool ClickPointFor(int32_t x, int32_t y, int32_t& px, int32_t& py)
{
    const Rect& panel = DemoState().seriesPanelRect;
    const int32_t range = appSettings.coordinateRange;
    int32_t mapped[2] = {};
    for (px = panel.left; px <= panel.right; ++px) {
        ClickToVector(demoWindow, panel, px, CentreY(panel), range, 2, mapped);
        if (mapped[0] == x)
            break;
    }
    for (py = panel.top; py <= panel.bottom; ++py) {
        ClickToVector(demoWindow, panel, CentreX(panel), py, range, 2, mapped);
        if (mapped[1] == y)
            break;
    }
    return px <= panel.right && py <= panel.bottom;
}

int ButtonOf(DemoAction::Kind kind)
{
    for (const ActionWord& a : kButtonActions) {
        if (a.kind == kind)
            return a.button;
    }
    return -1;
}

void Click(int32_t x, int32_t y)
{
    UserPress(demoWindow, x, y);
    UserRelease(demoWindow, x, y);
    PumpMessages();
}

ToolError ParsePick(std::string_view text, DemoAction& action)
{
    const std::string_view args = text.substr(5);
    const size_t comma = args.find(',');
    const auto parse = [](std::string_view s, int32_t& value) {
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
        return !s.empty() && ec == std::errc() && end == s.data() + s.size();
    };
    // The window's click mapping truncates toward zero from a centre pixel
    // that lies left of and above the panel's middle, so its edges give
    // -(range - 1) and range across, -range and range - 1 up and down.
    const int32_t range = appSettings.coordinateRange;
    if (comma == std::string_view::npos || !parse(args.substr(0, comma), action.x) ||
        !parse(args.substr(comma + 1), action.y) || action.x < 1 - range || action.x > range ||
        action.y < -range || action.y > range - 1)
        return ArgumentError("demo", "bad action \"" + std::string(text) +
                                         "\": a pick is pick:X,Y with whole numbers, X from " +
                                         std::to_string(1 - range) + " to " + std::to_string(range) + " and Y from " +
                                         std::to_string(-range) + " to " + std::to_string(range - 1));
    action.kind = DemoAction::Pick;
    return {};
}

// The window writes by the last four characters, letters in any case, with
// at least one character before them.
bool HasPictureExtension(const std::string& path)
{
    return path.size() > 4 && (strcasecmp(path.c_str() + path.size() - 4, ".bmp") == 0 ||
                               strcasecmp(path.c_str() + path.size() - 4, ".pcx") == 0);
}

ToolError ParseSave(std::string_view text, DemoAction& action)
{
    action.kind = DemoAction::Save;
    action.path = std::string(text.substr(5));
    if (!HasPictureExtension(action.path))
        return ArgumentError("demo", "bad action \"" + std::string(text) +
                                         "\": the picture is saved as .bmp or .pcx, so the file name must end in "
                                         "one of them");
    return {};
}

} // namespace

ToolError ParseDemoAction(std::string_view text, DemoAction& action)
{
    action = DemoAction{};
    action.text = std::string(text);
    if (text.starts_with("pick:"))
        return ParsePick(text, action);
    if (text.starts_with("save:"))
        return ParseSave(text, action);
    for (const ActionWord& a : kButtonActions) {
        if (text == a.word) {
            action.kind = a.kind;
            return {};
        }
    }
    return ArgumentError("demo", "unknown action \"" + std::string(text) +
                                     "\": expected pick:X,Y, up, down, repeat, restart, search or save:FILE");
}

ToolError OpenDemoWindow(int32_t width, int32_t height, const std::vector<DemoAction>& actions)
{
    EnsurePlatformStarted();
    SetMessageBoxHandler(RecordMessage);
    SetSaveFileDialogHandler(AnswerSavePrompt);
    if (!RegisterMainWindowClass(CurrentInstance()) || !(demoWindow = CreateMainWindow(CurrentInstance(), 0)))
        return RunFailure("the main window could not be made");
    UserResizeClient(demoWindow, width, height);
    PumpMessages();
    const Rect client = GetClientArea(demoWindow);
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (client.right != width || client.bottom != height)
        return UsageError("the client area cannot be made " + size);
    for (const DemoAction& action : actions) {
        int32_t px = 0;
        int32_t py = 0;
        const int button = ButtonOf(action.kind);
        if (action.kind == DemoAction::Pick && !ClickPointFor(action.x, action.y, px, py))
            return ArgumentError("demo", "bad action \"" + action.text + "\": no click in the series panel of a " +
                                             size + " client area picks that vector; a larger --client gives a "
                                             "finer panel");
        if (button >= 0 && !ButtonPressable(button))
            return ArgumentError("demo", "the client area " + size + " is too small for the button bar");
    }
    return {};
}

ToolError RunDemoAction(const DemoAction& action, const std::string& writePath)
{
    shownMessages.clear();
    int32_t px = 0;
    int32_t py = 0;
    switch (action.kind) {
    case DemoAction::Pick:
        if (ClickPointFor(action.x, action.y, px, py))
            Click(px, py);
        break;
    case DemoAction::Save:
        savePath = writePath.c_str();
        if (!UserChooseMenuItem(demoWindow, "&File", " Save image as..."))
            shownMessages.emplace_back("the window's menu has no Save image command");
        PumpMessages();
        savePath = nullptr;
        break;
    default: {
        const Rect& r = DemoState().buttonRects[ButtonOf(action.kind)];
        Click(CentreX(r), CentreY(r));
        break;
    }
    }
    if (shownMessages.empty())
        return {};
    std::string text;
    for (const std::string& message : shownMessages)
        text += (text.empty() ? "" : "; ") + message;
    return RunFailure(action.text + ": " + text);
}

DemoView CurrentDemoView()
{
    DemoView view;
    const AppState& state = DemoState();
    const VectorSeriesHeader* series = state.series;
    view.noise = state.noiseLevel;
    view.series = series != nullptr;
    // The result panel's rule: a shown series, a search asked for, a centre found.
    if (series && series->noisyVectorValues && !state.seriesHidden && state.searchDone &&
        series->centerIndex >= 1) {
        view.centre = series->centerIndex;
        const int32_t* row = series->noisyVectorValues[series->centerIndex - 1];
        view.centreVector.assign(row, row + series->dimension);
    }
    return view;
}

DemoSeries CurrentDemoSeries()
{
    DemoSeries out;
    const VectorSeriesHeader* series = DemoState().series;
    if (!series || !series->noisyVectorValues)
        return out;
    out.dimension = series->dimension;
    for (int32_t i = 0; i < series->length; ++i) {
        out.identities.push_back(series->vectorIdentities[i]);
        const int32_t* row = series->noisyVectorValues[i];
        out.noisyValues.insert(out.noisyValues.end(), row, row + series->dimension);
    }
    return out;
}

void CloseDemoWindow()
{
    if (demoWindow && LiveWindowCount() > 0) {
        UserCloseWindow(demoWindow);
        PumpMessages();
    }
    demoWindow = nullptr;
}
