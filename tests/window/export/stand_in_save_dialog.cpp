#include "stand_in_save_dialog.h"

#include <cstring>

#include "picture_window.h"
#include "platform/window.h"

namespace {

SaveFileResult Answer(SaveFileRequest* request)
{
    SaveDialogScript& s = saveDialog;
    ++s.opened;
    s.owner = request->owner;
    s.title = request->title ? request->title : "";
    s.filters.clear();
    for (int i = 0; i < 2 * request->filterCount; ++i)
        s.filters.push_back(request->filters[i]);
    s.selectedFilter = request->selectedFilter;
    s.nameWhenOpened = request->fileName;
    s.fileName = request->fileName;
    s.fileNameSize = request->fileNameSize;
    s.defaultExtension = request->defaultExtension ? request->defaultExtension : "";
    s.askBeforeReplacing = request->askBeforeReplacing;

    if (s.coverWindow) {
        Rect client = GetClientArea(request->owner);
        FillClientBlock(request->owner, 0, 0, client.right, client.bottom, MakeColor(64, 64, 64));
    }
    if (s.answer != SaveFileConfirmed || s.path.size() + 1 > request->fileNameSize) {
        request->fileName[0] = '\0';
        return s.answer == SaveFileConfirmed ? SaveFileNameTooLong : s.answer;
    }
    std::memcpy(request->fileName, s.path.c_str(), s.path.size() + 1);
    return SaveFileConfirmed;
}

}

StandInSaveDialog::StandInSaveDialog()
{
    saveDialog = SaveDialogScript{};
    previous = SetSaveFileDialogHandler(Answer);
}

StandInSaveDialog::~StandInSaveDialog() { SetSaveFileDialogHandler(previous); }
