// Plays a script on the Qt build's window on the offscreen platform, to set
// its pictures beside those of the Windows build: the same client size, the
// same clicks. Steps that need the system's own windows (menu, answer) are
// left to the Windows driver.
//
// Usage: replay_window SCRIPT LOG
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "app/app_state.h"
#include "app/main_window.h"
#include "platform/testing.h"
#include "platform/window.h"
#include "replay/replay_steps.h"

namespace {

bool Play(AppWindow* window, const ReplayStep& step, std::ofstream& log)
{
    int32_t x = 0, y = 0;
    if (ReplayClickPoint(step, &x, &y)) {
        UserPress(window, x, y);
        UserRelease(window, x, y);
    } else if (step.verb == "size" && step.words.size() == 2) {
        UserResizeClient(window, std::stoi(step.words[0]), std::stoi(step.words[1]));
    } else if (step.verb == "grab") {
        const Rect client = GetClientArea(window);
        if (!WriteReplayPicture(step.rest, client.right, client.bottom,
                                [window](int32_t px, int32_t py) { return ClientPixel(window, px, py); }))
            return false;
    } else if (step.verb == "state") {
        char menu[2048];
        WindowMenuDescription(window, menu, sizeof menu);
        std::istringstream items(menu);
        for (std::string item; std::getline(items, item);)
            log << "menuitem " << item << "\n";
        log << ReplayLayoutLine() << "\n";
    } else {
        log << "skipped " << step.verb << "\n";
    }
    PumpMessages();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: replay_window SCRIPT LOG\n");
        return 2;
    }
    EnsurePlatformStarted();
    if (!RegisterMainWindowClass(CurrentInstance()))
        return 1;
    AppWindow* window = CreateMainWindow(CurrentInstance(), 1);
    appState.mainWindow = window;
    PumpMessages();
    std::ofstream log(argv[2]);
    for (const ReplayStep& step : ReadReplayScript(argv[1])) {
        if (!Play(window, step, log)) {
            std::fprintf(stderr, "replay_window: step failed: %s %s\n", step.verb.c_str(), step.rest.c_str());
            return 1;
        }
    }
    return 0;
}
