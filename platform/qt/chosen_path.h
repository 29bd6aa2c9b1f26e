// Handing the save prompt's chosen path back through the request's buffer.
#pragma once

#include "platform/save_dialog.h"

// Copies path into the request's buffer when it fits, terminator included;
// otherwise empties the buffer and answers SaveFileNameTooLong.
SaveFileResult StoreChosenPath(SaveFileRequest* request, const char* path);
