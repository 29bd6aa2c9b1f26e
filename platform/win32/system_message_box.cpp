#include "platform/win32/system_message_box.h"

#include <string>

#include "platform/message_box.h"
#include "platform/win32/handles.h"

namespace {

// The program's texts are UTF-8 (some are Russian); the wide call shows them
// as they are whatever the system's code page.
std::wstring Wide(const char* text)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(std::size_t(length > 0 ? length : 1), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length);
    return wide;
}

} // namespace

// A modal box with the text and a single OK button, owned by the window.
void ShowSystemMessageBox(AppWindow* owner, const char* text, const char* caption)
{
    MessageBoxW(WindowHandle(owner), Wide(text ? text : "").c_str(),
                Wide(caption ? caption : kDefaultMessageCaption).c_str(), MB_OK);
}
