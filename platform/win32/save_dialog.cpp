// The save-file prompt: the system's common dialog.
#include "platform/save_dialog.h"
#include "platform/win32/handles.h"

#include <cderr.h>
#include <commdlg.h>

#include <string>

namespace {

SaveFileDialogHandler currentHandler = nullptr;

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

void ClearName(SaveFileRequest* request)
{
    if (request->fileName && request->fileNameSize > 0)
        request->fileName[0] = '\0';
}

} // namespace

SaveFileResult RunSaveFileDialog(SaveFileRequest* request)
{
    if (!request)
        return SaveFileCancelled;
    if (currentHandler)
        return currentHandler(request);
    ClearName(request);
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
    prompt.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                   (request->askBeforeReplacing ? OFN_OVERWRITEPROMPT : 0);
    if (GetSaveFileNameA(&prompt))
        return SaveFileConfirmed;
    // A chosen path longer than the buffer is refused, never cut short.
    const bool tooLong = CommDlgExtendedError() == FNERR_BUFFERTOOSMALL;
    ClearName(request);
    return tooLong ? SaveFileNameTooLong : SaveFileCancelled;
}

SaveFileDialogHandler SetSaveFileDialogHandler(SaveFileDialogHandler handler)
{
    const SaveFileDialogHandler previous = currentHandler;
    currentHandler = handler;
    return previous;
}
