#include "app/main_window.h"

#include <algorithm>
#include <iterator>

#include "app/app_state.h"
#include "app/commands.h"
#include "display/screen_paint.h"
#include "platform/window.h"
#include "res/resources.h"

namespace {

// The mouse messages carry x in the low and y in the high 16 bits of p2, each signed.
int32_t PointX(intptr_t p2) { return int16_t(uint16_t(uintptr_t(p2) & 0xFFFF)); }
int32_t PointY(intptr_t p2) { return int16_t(uint16_t((uintptr_t(p2) >> 16) & 0xFFFF)); }

int LowWord(uintptr_t p1) { return int(p1 & 0xFFFF); }

// Paints what the state shows and keeps what the paint measured and laid out.
void PaintWindowState(AppWindow* window, AppState& state)
{
    const ScreenView view = {state.pickedVectors, state.series, state.seriesHidden != 0, state.searchDone != 0,
                             state.lineHeight};
    const PaintedScreen painted = PaintMainWindow(window, state.font, view);
    state.savedFont = painted.savedFont;
    state.textMetrics = painted.textMetrics;
    state.lineHeight = painted.lineHeight;
    state.charMaxWidth = painted.charMaxWidth;
    state.charAveWidth = painted.charAveWidth;
    state.marginX = painted.area.marginX;
    state.marginY = painted.area.marginY;
    state.workRect = painted.area.workRect;
    std::copy(std::begin(painted.layout.buttonRects), std::end(painted.layout.buttonRects), state.buttonRects);
    state.seriesPanelRect = painted.layout.seriesPanelRect;
    state.resultPanelRect = painted.layout.resultPanelRect;
}

// The messages of a window whose state exists.
intptr_t HandleMessage(AppWindow* window, AppState& state, uint32_t message, uintptr_t p1, intptr_t p2)
{
    switch (message) {
    case MessageDestroy:
        FreeAppState(window);
        return 0;
    case MessagePaint:
        PaintWindowState(window, state);
        return 0;
    case MessageKeyDown:
        OnKeyDown(window, int(p1));
        return 0;
    case MessageCommand:
        OnCommand(window, state, LowWord(p1));
        return 0;
    case MessageMouseMove:
        OnMouseMove(window, PointX(p2), PointY(p2));
        return 0;
    case MessageLButtonDown:
        OnLButtonDown(window, state, 0, PointX(p2), PointY(p2));
        return 0;
    case MessageLButtonUp:
        OnLButtonUp(window, state, PointX(p2), PointY(p2));
        return 0;
    case MessageLButtonDoubleClick:
        OnLButtonDown(window, state, 1, PointX(p2), PointY(p2));
        return 0;
    default:
        return DefaultWindowProc(window, message, p1, p2);
    }
}

} // namespace

int RunApplication(AppInstance* instance, AppInstance* previousInstance, const char* /*commandLine*/,
                   int showCommand)
{
    if (!previousInstance && !RegisterMainWindowClass(instance))
        return 0;
    if (!CreateMainWindow(instance, showCommand))
        return 0;
    return RunMessageLoop();
}

bool RegisterMainWindowClass(AppInstance* /*instance*/)
{
    // Repainted whole after every size change; a double click arrives as two presses.
    static const WindowKind kind = {appSettings.className, MainWindowProc, &kMainMenu, true, false};
    return RegisterWindowKind(&kind);
}

AppWindow* CreateMainWindow(AppInstance* instance, int /*showCommand*/)
{
    AppWindow* window = CreateAppWindow(instance, appSettings.className, appSettings.className);
    if (!window)
        return nullptr;
    if (AppState* state = MainWindowState(window))
        state->instance = instance;
    // Always maximised, and painted at once so the layout exists before any input.
    ShowWindowMaximized(window);
    UpdateAppWindow(window);
    return window;
}

intptr_t MainWindowProc(AppWindow* window, uint32_t message, uintptr_t p1, intptr_t p2)
{
    if (message == MessageCreate)
        return InitAppState(window) ? 0 : -1;
    AppState* state = MainWindowState(window);
    return state ? HandleMessage(window, *state, message, p1, p2) : DefaultWindowProc(window, message, p1, p2);
}

intptr_t AboutDialogProc(DialogBox* dialog, uint32_t message, uintptr_t p1, intptr_t /*p2*/)
{
    if (message == MessageInitDialog)
        return 1;
    if (message == MessageCommand && (LowWord(p1) == kCommandOk || LowWord(p1) == kCommandCancel)) {
        EndDialogBox(dialog, LowWord(p1));
        return 1;
    }
    return 0;
}
