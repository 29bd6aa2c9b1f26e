// The " Save image as..." command: capture the client area, ask for a file
// name, write the picture as BMP or PCX by the name's extension.
#pragma once

#include <cstddef>

#include "platform/types.h"

void MakeSnapshot(AppWindow* window);

// Runs the save prompt; the buffer when the user confirmed a name, none otherwise.
char* SelectSnapshotFile(AppWindow* owner, char* buffer, std::size_t size);
