// The save prompt's handler, and the request's file name as the prompt
// leaves it.
#include "platform/common/save_prompt.h"

#include <cstring>

namespace {
SaveFileDialogHandler currentHandler = nullptr;
}

SaveFileDialogHandler SetSaveFileDialogHandler(SaveFileDialogHandler handler)
{
    const SaveFileDialogHandler previous = currentHandler;
    currentHandler = handler;
    return previous;
}

std::optional<SaveFileResult> AnswerWithoutPrompt(SaveFileRequest* request)
{
    if (!request)
        return SaveFileCancelled;
    if (currentHandler)
        return currentHandler(request);
    ClearChosenName(request);
    return std::nullopt;
}

void ClearChosenName(SaveFileRequest* request)
{
    if (request->fileName && request->fileNameSize > 0)
        request->fileName[0] = '\0';
}

SaveFileResult StoreChosenPath(SaveFileRequest* request, std::string_view path)
{
    if (!request->fileName || path.size() + 1 > request->fileNameSize) {
        ClearChosenName(request);
        return SaveFileNameTooLong;
    }
    std::memcpy(request->fileName, path.data(), path.size());
    request->fileName[path.size()] = '\0';
    return SaveFileConfirmed;
}
