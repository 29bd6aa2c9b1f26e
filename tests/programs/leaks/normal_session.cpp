// A normal session of the program, driven as a user would on the offscreen
// platform: start, pick a vector, Search, About, Save, Exit. The start-up is
// the program's own (the toolkit's application object on the stack, the
// toolkit's message box), so what the sanitizers see at exit is what a user's
// run leaves. Exits with the program's exit code, or 1 when a step did not
// do what it should.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "app/app_state.h"
#include "app/main_window.h"
#include "platform/message_box.h"
#include "platform/qt/modal_driver.h"
#include "platform/qt/toolkit_message_box.h"
#include "platform/testing.h"
#include "platform/window.h"

namespace {

constexpr int kSearchButton = 4;
constexpr int kShowNormal = 1;

std::string picturePath;
int failedSteps = 0;

void Check(bool done, const char* step)
{
    if (!done) {
        std::fprintf(stderr, "normal session: %s failed\n", step);
        ++failedSteps;
    }
}

void Click(AppWindow* window, const Rect& r)
{
    const int32_t x = (r.left + r.right) / 2;
    const int32_t y = (r.top + r.bottom) / 2;
    UserPress(window, x, y);
    UserRelease(window, x, y);
    PumpMessages();
}

bool FileStartsWithBm(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    char magic[2] = {};
    in.read(magic, 2);
    return in && magic[0] == 'B' && magic[1] == 'M';
}

void PlaySession()
{
    // The window's state exists from its creation on, its layout from its
    // first paint; the session starts once both do.
    AppWindow* window = OldestMainWindow();
    PumpMessages();
    const AppState* shown = window ? MainWindowState(window) : nullptr;
    if (!shown || shown->seriesPanelRect.right <= shown->seriesPanelRect.left) { // still starting up
        QTimer::singleShot(0, PlaySession);
        return;
    }
    const AppState& state = *shown;
    Click(window, state.seriesPanelRect);
    Check(state.pickCount == 1 && state.series != nullptr, "the pick");
    Click(window, state.buttonRects[kSearchButton]);
    Check(state.searchDone != 0, "Search");

    AnswerNextModal(AnswerEnter);
    Check(UserChooseMenuItem(window, "&Help", "&About ..."), "opening About");
    Check(LastModalSeen().caption == "About", "About");

    AnswerNextModal(AnswerEnter, picturePath.c_str());
    Check(UserChooseMenuItem(window, "&File", " Save image as..."), "opening the save prompt");
    Check(FileStartsWithBm(picturePath), "Save");

    Check(UserChooseMenuItem(window, "&File", " E&xit"), "Exit");
}

} // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kv_session_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    picturePath = (folder / "session.bmp").string();
    std::filesystem::remove(picturePath);

    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    SetMessageBoxHandler(ShowToolkitMessageBox);
    QTimer::singleShot(0, PlaySession);
    const int exitCode = RunApplication(CurrentInstance(), nullptr, "", kShowNormal);

    std::filesystem::remove_all(folder);
    return failedSteps > 0 ? 1 : exitCode;
}
