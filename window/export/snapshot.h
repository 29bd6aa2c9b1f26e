// The " Save image as..." command: capture the client area, ask for a file
// name, write the picture as BMP or PCX by the name's extension. A name with
// any other ending, and a client area without pixels, are refused with a
// message and write nothing.
#pragma once

#include <cstddef>

#include "platform/save_dialog.h"
#include "platform/types.h"

// fileName (size bytes) receives the name the user chose, or is emptied when
// the prompt is cancelled; it starts the prompt empty.
void MakeSnapshot(AppWindow* window, char* fileName, std::size_t size);

// What the save prompt is asked: the title, BMP then PCX offered (BMP first
// and chosen), .bmp added to a name without an extension, a question before
// an existing file is replaced; the chosen name goes into buffer.
SaveFileRequest SnapshotSaveRequest(AppWindow* owner, char* buffer, std::size_t size);

// Runs the save prompt; the buffer when the user confirmed a name, none otherwise.
char* SelectSnapshotFile(AppWindow* owner, char* buffer, std::size_t size);
