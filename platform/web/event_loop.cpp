// The message loop on the page. The page queues its events; the loop takes
// them one at a time, turns them into messages for the window, paints when
// none is left, and otherwise waits with its stack put aside (Asyncify), so
// the browser's own thread stays free. Modal windows run the same loop,
// nested, until they end: the program's calls that wait for a modal answer
// return only then, as on the desktop.
#include <emscripten.h>

#include "platform/web/page_bridge.h"
#include "platform/web/web_records.h"

// Defined here rather than in the page's library, as is the page's other
// import that puts the stack aside (window.cpp), each where it is called:
// Emscripten finds such imports in the files that call them.
EM_ASYNC_JS(void, kv_wait_for_event, (), { await KvPage.nextEvent(); });

namespace {

struct QuitState {
    bool pending = false; // the running loop returns once the current message is done
    int code = 0;
};

QuitState quit;

// The innermost modal window, which takes the page's modal commands.
struct ModalTarget {
    void (*onCommand)(void* context, int id);
    void* context;
};
ModalTarget* modal = nullptr;

// Key codes as the program knows them (the Windows virtual keys); the
// browser's keyCode gives the same numbers for these keys.
int KeyCodeOfPageKey(int32_t pageKey)
{
    constexpr int kNoKeyCode = 0xFF;
    constexpr int32_t kNamedKeys[] = {0x08, 0x09, 0x0D, 0x10, 0x11, 0x12, 0x13, 0x14, 0x1B, 0x20, 0x21,
                                      0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x2D, 0x2E};
    if ((pageKey >= '0' && pageKey <= '9') || (pageKey >= 'A' && pageKey <= 'Z'))
        return pageKey;
    if (pageKey >= 0x60 && pageKey <= 0x69) // the keypad's digits, as their characters
        return '0' + (pageKey - 0x60);
    if (pageKey >= 0x70 && pageKey < 0x70 + 24) // F1 to F24
        return pageKey;
    for (int32_t named : kNamedKeys) {
        if (named == pageKey)
            return pageKey;
    }
    return kNoKeyCode;
}

void SendPointer(AppWindow* window, uint32_t message, const PageEvent& event)
{
    SendAppMessage(window, message, 0, PackPoint(event.values[0], event.values[1]));
}

void Dispatch(const PageEvent& event)
{
    if (event.kind == PageResized) {
        FitAllWindows();
        return;
    }
    if (event.kind == PageModalCommand) {
        if (modal)
            modal->onCommand(modal->context, event.values[0]);
        return;
    }
    // While a modal window is open the windows under it take no input.
    AppWindow* window = InputWindow();
    if (modal || !window)
        return;
    switch (event.kind) {
    case PagePointerDown: {
        const bool twice = event.values[2] == 2 && window->kind.wantsDoubleClicks;
        SendPointer(window, twice ? MessageLButtonDoubleClick : MessageLButtonDown, event);
        break;
    }
    case PagePointerUp:
        SendPointer(window, MessageLButtonUp, event);
        break;
    case PagePointerMove:
        SendPointer(window, MessageMouseMove, event);
        break;
    case PageKeyDown:
        SendAppMessage(window, MessageKeyDown, uintptr_t(KeyCodeOfPageKey(event.values[0])), 0);
        break;
    case PageMenuCommand:
        SendAppMessage(window, MessageCommand, uintptr_t(event.values[0]), 0);
        break;
    default:
        break;
    }
}

// One turn of the loop: an event, else the paints waiting, else a wait.
void Turn()
{
    PageEvent event = {PageNoEvent, {0, 0, 0}};
    kv_take_event(&event);
    if (event.kind != PageNoEvent) {
        Dispatch(event);
        return;
    }
    if (!PaintWaitingWindows())
        kv_wait_for_event();
}

} // namespace

int RunMessageLoop()
{
    while (!quit.pending)
        Turn();
    quit.pending = false;
    return quit.code;
}

void PostQuit(int exitCode)
{
    quit.pending = true;
    quit.code = exitCode;
}

void RunModalLoop(const bool& done, void (*onCommand)(void* context, int id), void* context)
{
    ModalTarget target = {onCommand, context};
    ModalTarget* outer = modal;
    modal = &target;
    while (!done)
        Turn();
    modal = outer;
}
