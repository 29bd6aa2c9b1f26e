// The save-file prompt: the system's common dialog.
#include "platform/win32/handles.h"

#include "platform/common/save_prompt.h"

#include <cderr.h>
#include <commdlg.h>
#include <dlgs.h>

#include <cstddef>
#include <cstring>
#include <string>

namespace {

// Wine's prompt (8.0) joins the folder and the typed name in a buffer of
// MAX_PATH characters on its stack before it compares the path with the
// caller's buffer, so a typed name of 264 bytes or more overruns it and the
// program dies with the prompt open. The prompt's own window procedure is
// therefore wrapped, by the hook, to measure the name at OK first: a path
// that cannot fit the caller's buffer closes the prompt as too long before
// the prompt reads it. The hook keeps the prompt resizable, as it is without
// one; on Windows a hooked prompt is the Explorer-style one.
struct NameGuard {
    std::size_t longest;         // the longest path the caller's buffer holds
    WNDPROC promptProcedure = nullptr;
    bool tooLong = false;
};

constexpr char kGuardProperty[] = "KestrandSaveNameGuard";

std::string NameBoxText(HWND prompt)
{
    for (int id : {cmb13, edt1}) {
        if (HWND box = GetDlgItem(prompt, id)) {
            std::string text(std::size_t(GetWindowTextLengthA(box)) + 1, '\0');
            text.resize(std::size_t(GetWindowTextA(box, text.data(), int(text.size()))));
            return text;
        }
    }
    return {};
}

// The length of the path the typed name stands for: a name that is not
// rooted is joined to the folder the prompt shows, with a separator.
std::size_t TypedPathLength(HWND prompt)
{
    const std::string typed = NameBoxText(prompt);
    const bool rooted = typed.starts_with('\\') || typed.starts_with('/') || (typed.size() >= 2 && typed[1] == ':');
    if (rooted)
        return typed.size();
    char folder[4 * MAX_PATH] = "";
    SendMessageA(prompt, CDM_GETFOLDERPATH, sizeof folder, LPARAM(folder));
    return std::strlen(folder) + 1 + typed.size();
}

LRESULT CALLBACK GuardedPromptProcedure(HWND prompt, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* guard = static_cast<NameGuard*>(GetPropA(prompt, kGuardProperty));
    const WNDPROC procedure = guard->promptProcedure;
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK && TypedPathLength(prompt) > guard->longest) {
        guard->tooLong = true;
        return CallWindowProcA(procedure, prompt, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(prompt, GWLP_WNDPROC, LONG_PTR(procedure));
        RemovePropA(prompt, kGuardProperty);
    }
    return CallWindowProcA(procedure, prompt, message, wParam, lParam);
}

// The hook's own dialog is a child of the prompt, made before the prompt shows.
UINT_PTR CALLBACK PromptHook(HWND child, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* guard = reinterpret_cast<NameGuard*>(reinterpret_cast<const OPENFILENAMEA*>(lParam)->lCustData);
        const HWND prompt = GetParent(child);
        SetPropA(prompt, kGuardProperty, guard);
        guard->promptProcedure =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrA(prompt, GWLP_WNDPROC, LONG_PTR(GuardedPromptProcedure)));
    }
    return 0;
}

// "label\0pattern\0" for each pair, then a second terminator.
std::string FilterList(const SaveFileRequest& request)
{
    std::string list;
    for (int i = 0; i < 2 * request.filterCount; ++i) {
        list += request.filters[i];
        list += '\0';
    }
    list += '\0';
    return list;
}

} // namespace

SaveFileResult RunSaveFileDialog(SaveFileRequest* request)
{
    if (const auto answer = AnswerWithoutPrompt(request))
        return *answer;
    const std::string filters = FilterList(*request);
    OPENFILENAMEA prompt = {};
    prompt.lStructSize = sizeof prompt;
    prompt.hwndOwner = WindowHandle(request->owner);
    prompt.lpstrFilter = filters.c_str();
    prompt.nFilterIndex = DWORD(request->selectedFilter);
    prompt.lpstrFile = request->fileName;
    prompt.nMaxFile = DWORD(request->fileNameSize);
    prompt.lpstrTitle = request->title;
    prompt.lpstrDefExt = request->defaultExtension;
    NameGuard guard = {request->fileNameSize > 0 ? request->fileNameSize - 1 : 0};
    prompt.lCustData = LPARAM(&guard);
    prompt.lpfnHook = PromptHook;
    prompt.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_ENABLESIZING |
                   (request->askBeforeReplacing ? OFN_OVERWRITEPROMPT : 0);
    if (GetSaveFileNameA(&prompt))
        return SaveFileConfirmed;
    // A chosen path longer than the buffer is refused, never cut short.
    const bool tooLong = guard.tooLong || CommDlgExtendedError() == FNERR_BUFFERTOOSMALL;
    ClearChosenName(request);
    return tooLong ? SaveFileNameTooLong : SaveFileCancelled;
}
