// The save-file prompt up to the backend's toolkit, as every backend runs it.
#pragma once

#include <optional>
#include <string_view>

#include "platform/save_dialog.h"

// The answer to a request the toolkit's prompt is not shown for: none at all
// (cancelled), or one that the handler set by SetSaveFileDialogHandler
// answers. Otherwise empties the request's file name, as a cancelled prompt
// leaves it, and gives no answer: the backend shows its prompt.
std::optional<SaveFileResult> AnswerWithoutPrompt(SaveFileRequest* request);

// Empties the request's file name buffer, if it has room for the terminator.
void ClearChosenName(SaveFileRequest* request);

// Copies path into the request's buffer when it fits, terminator included;
// otherwise empties the buffer and answers SaveFileNameTooLong: a path cut
// to fit would be another path.
SaveFileResult StoreChosenPath(SaveFileRequest* request, std::string_view path);
