// Windows made, dispatched to and destroyed alike on the backends that keep
// their own windows.
#include "platform/software/window_record.h"

#include "platform/drawing.h"
#include "platform/software/window_kinds.h"

struct AppInstance {
    int unused;
};

AppInstance* CurrentInstance()
{
    static AppInstance instance{};
    return &instance;
}

AppWindow* CreateAppWindow(AppInstance* /*instance*/, const char* kindName, const char* title)
{
    const WindowKind* kind = FindWindowKind(kindName);
    if (!kind)
        return nullptr;
    AppWindow* window = MakeAppWindow(*kind, title ? title : "");
    if (SendAppMessage(window, MessageCreate, 0, 0) == -1) {
        // Creation failed: the window goes without ever having been shown.
        DestroyAppWindow(window);
        return nullptr;
    }
    return window;
}

void DestroyAppWindow(AppWindow* window)
{
    WindowRecord* record = RecordOf(window);
    if (!WindowIsLive(record) || record->destroying)
        return;
    record->destroying = true;
    SendAppMessage(window, MessageDestroy, 0, 0);
    record->destroyed = true;
    ReleaseAppWindow(window);
}

intptr_t SendAppMessage(AppWindow* window, uint32_t message, uintptr_t p1, intptr_t p2)
{
    const WindowRecord* record = RecordOf(window);
    if (!WindowIsLive(record))
        return 0;
    return record->kind.procedure(window, message, p1, p2);
}

intptr_t DefaultWindowProc(AppWindow* window, uint32_t message, uintptr_t /*p1*/, intptr_t /*p2*/)
{
    if (!WindowIsLive(RecordOf(window)))
        return 0;
    switch (message) {
    case MessageClose:
        DestroyAppWindow(window);
        return 0;
    case MessagePaint:
        // Nobody draws: the area is still erased and counts as painted.
        EndPaintSurface(window, BeginPaintSurface(window));
        return 0;
    default:
        return 0;
    }
}

bool SendPaintMessage(AppWindow* window)
{
    const WindowRecord* record = RecordOf(window);
    const int paintsBefore = record->paintsBegun;
    SendAppMessage(window, MessagePaint, 0, 0);
    return WindowIsLive(record) && record->paintsBegun == paintsBefore;
}
