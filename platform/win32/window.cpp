// Window kinds as window classes, windows, the translation between the
// system's messages and the program's, the message loop and modal dialogs.
#include <map>
#include <string>

#include "platform/win32/handles.h"

#include "platform/common/modal_dialog.h"
#include "platform/resources.h"

namespace {

// The kinds registered so far, by class name.
std::map<std::string, WindowKind>& Kinds()
{
    static std::map<std::string, WindowKind> kinds;
    return kinds;
}

struct MessagePair {
    UINT system;
    uint32_t program;
};
constexpr MessagePair kMessagePairs[] = {
    {WM_CREATE, MessageCreate},         {WM_DESTROY, MessageDestroy},         {WM_PAINT, MessagePaint},
    {WM_CLOSE, MessageClose},           {WM_COMMAND, MessageCommand},         {WM_KEYDOWN, MessageKeyDown},
    {WM_MOUSEMOVE, MessageMouseMove},   {WM_LBUTTONDOWN, MessageLButtonDown}, {WM_LBUTTONUP, MessageLButtonUp},
    {WM_LBUTTONDBLCLK, MessageLButtonDoubleClick}, {WM_INITDIALOG, MessageInitDialog},
};

// 0 for a system message the program has no message for.
uint32_t ProgramMessage(UINT system)
{
    for (const MessagePair& pair : kMessagePairs) {
        if (pair.system == system)
            return pair.program;
    }
    return 0;
}

// WM_NULL for a program message the system has no message for.
UINT SystemMessage(uint32_t program)
{
    for (const MessagePair& pair : kMessagePairs) {
        if (pair.program == program)
            return pair.system;
    }
    return WM_NULL;
}

// Every window of a registered kind: its record is made before its first
// message reaches the kind's procedure and freed after its last.
LRESULT CALLBACK KindWindowProc(HWND window, UINT message, WPARAM p1, LPARAM p2)
{
    if (message == WM_NCCREATE) {
        char className[256];
        GetClassNameA(window, className, sizeof className);
        const auto found = Kinds().find(className);
        if (found != Kinds().end())
            SetWindowLongPtrA(window, GWLP_USERDATA, LONG_PTR(new WindowRecord{&found->second, {}}));
    }
    WindowRecord* record = RecordOf(window);
    if (message == WM_NCDESTROY && record) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        delete record;
        return DefWindowProcA(window, message, p1, p2);
    }
    const uint32_t programMessage = ProgramMessage(message);
    if (!record || programMessage == 0 || programMessage == MessageInitDialog)
        return DefWindowProcA(window, message, p1, p2);
    return record->kind->procedure(AppWindowOf(window), programMessage, p1, p2);
}

// A modal dialog run from a dialog resource: its record rides in the
// dialog's user data from WM_INITDIALOG on.
INT_PTR CALLBACK ResourceDialogProc(HWND dialog, UINT message, WPARAM p1, LPARAM p2)
{
    if (message == WM_INITDIALOG) {
        auto* box = reinterpret_cast<DialogBox*>(p2);
        box->close = [dialog, box] { EndDialog(dialog, box->result); };
        SetWindowLongPtrA(dialog, DWLP_USER, LONG_PTR(box));
    }
    auto* box = reinterpret_cast<DialogBox*>(GetWindowLongPtrA(dialog, DWLP_USER));
    const uint32_t programMessage = ProgramMessage(message);
    if (!box || (programMessage != MessageInitDialog && programMessage != MessageCommand))
        return FALSE;
    return box->procedure(box, programMessage, p1, p2);
}

} // namespace

WindowRecord* RecordOf(HWND window)
{
    return reinterpret_cast<WindowRecord*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

AppInstance* CurrentInstance()
{
    return AppInstanceOf(GetModuleHandleA(nullptr));
}

bool RegisterWindowKind(const WindowKind* kind)
{
    if (!kind || !kind->name || !kind->procedure)
        return false;
    const auto entry = Kinds().insert_or_assign(kind->name, *kind).first;
    entry->second.name = entry->first.c_str();
    WNDCLASSA windowClass = {};
    windowClass.style = (kind->redrawOnResize ? CS_HREDRAW | CS_VREDRAW : 0) | (kind->wantsDoubleClicks ? CS_DBLCLKS : 0);
    windowClass.lpfnWndProc = KindWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    // The menu bar comes from the resource script, which is written from the same resource data.
    windowClass.lpszMenuName = kind->menu ? MAKEINTRESOURCEA(kind->menu->id) : nullptr;
    windowClass.lpszClassName = entry->second.name;
    return RegisterClassA(&windowClass) != 0;
}

AppWindow* CreateAppWindow(AppInstance* instance, const char* kindName, const char* title)
{
    if (!kindName || Kinds().find(kindName) == Kinds().end())
        return nullptr;
    HWND window = CreateWindowExA(0, kindName, title ? title : "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, InstanceHandle(instance), nullptr);
    return AppWindowOf(window);
}

void ShowWindowMaximized(AppWindow* window)
{
    ShowWindow(WindowHandle(window), SW_SHOWMAXIMIZED);
}

void UpdateAppWindow(AppWindow* window)
{
    UpdateWindow(WindowHandle(window));
}

int RunMessageLoop()
{
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return int(message.wParam);
}

void PostQuit(int exitCode)
{
    PostQuitMessage(exitCode);
}

intptr_t SendAppMessage(AppWindow* window, uint32_t message, uintptr_t p1, intptr_t p2)
{
    const UINT system = SystemMessage(message);
    if (!IsWindow(WindowHandle(window)) || system == WM_NULL)
        return 0;
    return SendMessageA(WindowHandle(window), system, p1, p2);
}

intptr_t DefaultWindowProc(AppWindow* window, uint32_t message, uintptr_t p1, intptr_t p2)
{
    const UINT system = SystemMessage(message);
    if (system == WM_NULL)
        return 0;
    return DefWindowProcA(WindowHandle(window), system, p1, p2);
}

void InvalidateArea(AppWindow* window, const Rect* area, bool erase)
{
    if (!area) {
        InvalidateRect(WindowHandle(window), nullptr, erase);
        return;
    }
    const RECT rect = {area->left, area->top, area->right, area->bottom};
    InvalidateRect(WindowHandle(window), &rect, erase);
}

Rect GetClientArea(AppWindow* window)
{
    RECT rect = {};
    if (!GetClientRect(WindowHandle(window), &rect))
        return {0, 0, 0, 0};
    return {rect.left, rect.top, rect.right, rect.bottom};
}

intptr_t ShowDialogBox(DialogBox* box, AppInstance* instance, const DialogResource* resource, AppWindow* owner)
{
    const intptr_t result = DialogBoxParamA(InstanceHandle(instance), MAKEINTRESOURCEA(resource->id),
                                            WindowHandle(owner), ResourceDialogProc, LPARAM(box));
    box->close = nullptr;
    return result;
}

