#include "app/main_window.h"

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

} // namespace

int RunApplication(AppInstance* instance, AppInstance* previousInstance, const char* /*commandLine*/,
                   int showCommand)
{
    if (!previousInstance && !RegisterMainWindowClass(instance))
        return 0;
    appState.mainWindow = CreateMainWindow(instance, showCommand);
    if (!appState.mainWindow)
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
    appState.instance = instance;
    AppWindow* window = CreateAppWindow(instance, appSettings.className, appSettings.className);
    if (!window)
        return nullptr;
    // Always maximised, and painted at once so the layout exists before any input.
    ShowWindowMaximized(window);
    UpdateAppWindow(window);
    return window;
}

intptr_t MainWindowProc(AppWindow* window, uint32_t message, uintptr_t p1, intptr_t p2)
{
    switch (message) {
    case MessageCreate:
        return InitAppState(window) ? 0 : -1;
    case MessageDestroy:
        FreeAppState(window);
        return 0;
    case MessagePaint:
        PaintMainWindow(window);
        return 0;
    case MessageKeyDown:
        OnKeyDown(window, int(p1));
        return 0;
    case MessageCommand:
        OnCommand(window, LowWord(p1));
        return 0;
    case MessageMouseMove:
        OnMouseMove(window, PointX(p2), PointY(p2));
        return 0;
    case MessageLButtonDown:
        OnLButtonDown(window, 0, PointX(p2), PointY(p2));
        return 0;
    case MessageLButtonUp:
        OnLButtonUp(window, PointX(p2), PointY(p2));
        return 0;
    case MessageLButtonDoubleClick:
        OnLButtonDown(window, 1, PointX(p2), PointY(p2));
        return 0;
    default:
        return DefaultWindowProc(window, message, p1, p2);
    }
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
