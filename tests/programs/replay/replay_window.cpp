// Plays a script on the Qt build's window on the offscreen platform, to set
// its pictures and files beside those of the other builds: the same client
// size, the same clicks, the same menu items. A menu step's modal windows
// are answered by the answer steps that follow it: the toolkit's driver
// plans them before the item opens the first (each answer types its text,
// if any, into the window's name box and presses Enter).
//
// Usage: replay_window SCRIPT LOG
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "app/app_state.h"
#include "app/main_window.h"
#include "platform/qt/modal_driver.h"
#include "platform/testing.h"
#include "platform/window.h"
#include "replay/replay_steps.h"

namespace {

bool Play(AppWindow* window, const ReplayStep& step, std::ofstream& log)
{
    int32_t x = 0, y = 0;
    if (ReplayClickPoint(MainWindowState(window), step, &x, &y)) {
        UserPress(window, x, y);
        UserRelease(window, x, y);
    } else if (step.verb == "menu") {
        const std::size_t bar = step.rest.find('|');
        if (bar == std::string::npos ||
            !UserChooseMenuItem(window, step.rest.substr(0, bar).c_str(), step.rest.substr(bar + 1).c_str()))
            log << "no menu item " << step.rest << "\n";
    } else if (step.verb == "answer") {
        const ModalSeen seen = LastModalSeen();
        log << "answered " << (seen.answered ? seen.caption : std::string("nothing")) << "\n";
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
        log << ReplayLayoutLine(MainWindowState(window)) << "\n";
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
    PumpMessages();
    std::ofstream log(argv[2]);
    const std::vector<ReplayStep> steps = ReadReplayScript(argv[1]);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const ReplayStep& step = steps[i];
        for (std::size_t j = i + 1; step.verb == "menu" && j < steps.size() && steps[j].verb == "answer"; ++j) {
            const std::size_t bar = steps[j].rest.find('|');
            const std::string typed = bar == std::string::npos ? std::string() : steps[j].rest.substr(bar + 1);
            AnswerNextModal(AnswerEnter, typed.empty() ? nullptr : typed.c_str());
        }
        if (!Play(window, step, log)) {
            std::fprintf(stderr, "replay_window: step failed: %s %s\n", step.verb.c_str(), step.rest.c_str());
            return 1;
        }
    }
    return 0;
}
