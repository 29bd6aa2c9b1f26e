#include "win32/script_driver.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "platform/window.h"
#include "platform/win32/handles.h"
#include "replay/replay_steps.h"

#include <dlgs.h>

namespace {

// Ticks between steps, and how long a step waits for the window it answers.
constexpr UINT kTickMs = 100;
constexpr int kAnswerTicks = 100;

std::vector<ReplayStep> steps;
std::size_t next = 0;
int waited = 0;
std::ofstream logFile;

// The program's window, once RunApplication has made it.
HWND MainWindow() { return WindowHandle(OldestMainWindow()); }

const AppState* MainState() { return MainWindowState(OldestMainWindow()); }

std::string TextOf(HWND window)
{
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The step's text before and after its bar.
std::pair<std::string, std::string> Split(const std::string& text)
{
    const std::size_t bar = text.find('|');
    if (bar == std::string::npos)
        return {text, ""};
    return {text.substr(0, bar), text.substr(bar + 1)};
}

void Click(int32_t x, int32_t y)
{
    const LPARAM at = LPARAM(PackPoint(x, y));
    SendMessageA(MainWindow(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(MainWindow(), WM_LBUTTONUP, 0, at);
}

// Chooses the item as the menu bar offers it: the command it sends comes from the menu itself.
bool ChooseMenuItem(const std::string& menuText, const std::string& itemText)
{
    HMENU bar = GetMenu(MainWindow());
    char text[128];
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
        GetMenuStringA(bar, UINT(i), text, sizeof text, MF_BYPOSITION);
        if (menuText != text)
            continue;
        HMENU menu = GetSubMenu(bar, i);
        for (int j = 0; j < GetMenuItemCount(menu); ++j) {
            GetMenuStringA(menu, UINT(j), text, sizeof text, MF_BYPOSITION);
            if (itemText == text) {
                PostMessageA(MainWindow(), WM_COMMAND, GetMenuItemID(menu, j), 0);
                return true;
            }
        }
    }
    return false;
}

struct Search {
    std::string caption;
    HWND found;
};

BOOL CALLBACK MatchCaption(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<Search*>(data);
    if (IsWindowVisible(window) && TextOf(window) == search->caption) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK LogChild(HWND child, LPARAM data)
{
    auto* line = reinterpret_cast<std::string*>(data);
    const bool icon = ClassOf(child) == "Static" && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
    *line += " [" + (icon ? std::string("icon") : TextOf(child)) + "]";
    return TRUE;
}

// Types into the save prompt's name box, whichever of the two the system's prompt has.
void TypeName(HWND dialog, const std::string& name)
{
    for (int id : {cmb13, edt1}) {
        if (HWND box = GetDlgItem(dialog, id)) {
            SetWindowTextA(box, name.c_str());
            return;
        }
    }
}

// False while the window is not there yet.
bool Answer(const std::string& caption, const std::string& typed)
{
    Search search = {caption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchCaption, LPARAM(&search));
    if (!search.found)
        return false;
    std::string line = "answered " + caption;
    EnumChildWindows(search.found, LogChild, LPARAM(&line));
    logFile << line << std::endl;
    if (!typed.empty())
        TypeName(search.found, typed);
    PostMessageA(search.found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(search.found, IDOK)));
    return true;
}

// The client area as the screen shows it.
bool Grab(const std::string& path)
{
    RECT client;
    GetClientRect(MainWindow(), &client);
    POINT origin = {0, 0};
    ClientToScreen(MainWindow(), &origin);
    const int width = client.right;
    const int height = client.bottom;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const uint8_t*>(bits);
    const bool written = pixels && WriteReplayPicture(path, width, height, [&](int32_t x, int32_t y) {
        const uint8_t* p = pixels + (std::size_t(y) * width + x) * 4;
        return MakeColor(p[2], p[1], p[0]);
    });
    SelectObject(memory, previous);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return written;
}

// Each item of the menu bar as "menuitem MENU|ITEM|ID", a separator as "menuitem MENU|-|0".
void LogMenuBar()
{
    HMENU bar = GetMenu(MainWindow());
    char menuText[128], itemText[128];
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
        GetMenuStringA(bar, UINT(i), menuText, sizeof menuText, MF_BYPOSITION);
        HMENU menu = GetSubMenu(bar, i);
        for (int j = 0; j < GetMenuItemCount(menu); ++j) {
            if (GetMenuState(menu, UINT(j), MF_BYPOSITION) & MF_SEPARATOR) {
                logFile << "menuitem " << menuText << "|-|0\n";
                continue;
            }
            GetMenuStringA(menu, UINT(j), itemText, sizeof itemText, MF_BYPOSITION);
            logFile << "menuitem " << menuText << "|" << itemText << "|" << GetMenuItemID(menu, j) << "\n";
        }
    }
}

void LogState()
{
    LogMenuBar();
    RECT client;
    GetClientRect(MainWindow(), &client);
    logFile << "maximized " << (IsZoomed(MainWindow()) ? 1 : 0) << "\n"
            << "title " << TextOf(MainWindow()) << "\n"
            << "client " << client.right << " " << client.bottom << "\n"
            << ReplayLayoutLine(MainState()) << std::endl;
}

// Runs one step; false when it has to wait for a later tick.
bool Play(const ReplayStep& step)
{
    int32_t x = 0, y = 0;
    if (ReplayClickPoint(MainState(), step, &x, &y)) {
        Click(x, y);
    } else if (step.verb == "menu") {
        const auto [menu, item] = Split(step.rest);
        if (!ChooseMenuItem(menu, item))
            logFile << "no menu item " << step.rest << std::endl;
    } else if (step.verb == "answer") {
        const auto [caption, typed] = Split(step.rest);
        if (!Answer(caption, typed)) {
            if (++waited < kAnswerTicks)
                return false;
            logFile << "never shown: " << caption << std::endl;
        }
    } else if (step.verb == "grab") {
        if (!Grab(step.rest))
            logFile << "cannot grab to " << step.rest << std::endl;
    } else if (step.verb == "frame" && step.words.size() == 2) {
        // The window's outer size, title bar and menu included, as a user drags it.
        ShowWindow(MainWindow(), SW_RESTORE);
        SetWindowPos(MainWindow(), nullptr, 0, 0, std::stoi(step.words[0]), std::stoi(step.words[1]),
                     SWP_NOMOVE | SWP_NOZORDER);
    } else if (step.verb == "state") {
        LogState();
    } else {
        logFile << "unknown step " << step.verb << std::endl;
    }
    waited = 0;
    return true;
}

// Timer messages come only when the thread has nothing else to handle, paints
// included, so each step sees everything the one before it caused. A step may
// open a modal window: the ticks go on inside its message loop.
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (!OldestMainWindow() || next >= steps.size())
        return;
    // Taken before it runs: ticks that come inside a modal window the step
    // opens play the steps after it.
    const ReplayStep step = steps[next++];
    if (!Play(step))
        --next;
}

} // namespace

void StartScriptDriver(const char* commandLine)
{
    std::istringstream words(commandLine ? commandLine : "");
    std::string script, log;
    words >> script >> log;
    steps = ReadReplayScript(script);
    logFile.open(log);
    SetTimer(nullptr, 0, kTickMs, Tick);
}
