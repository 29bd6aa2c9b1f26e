// The modal save-file prompt.
#pragma once

#include <cstddef>

#include "platform/types.h"

struct SaveFileRequest {
    AppWindow* owner;
    const char* title;
    // Pairs of a label and its pattern, e.g. {"Bitmap Files (*.bmp)", "*.bmp"}.
    const char* const* filters;
    int filterCount;            // number of pairs
    int selectedFilter;         // 1-based pair selected when the prompt opens
    char* fileName;             // receives the chosen full path, terminated
    std::size_t fileNameSize;   // size of fileName, terminator included
    const char* defaultExtension; // appended, after a dot, to a name typed without one
    bool askBeforeReplacing;
};

enum SaveFileResult : int {
    SaveFileConfirmed,   // fileName holds the chosen full path
    SaveFileCancelled,   // fileName holds an empty name
    SaveFileNameTooLong, // the chosen path does not fit fileName; it holds an empty name
};

// Runs the prompt modally.
SaveFileResult RunSaveFileDialog(SaveFileRequest* request);

// Replaces the prompt: kvs demo answers it with the file its command line
// names, tests as a user would. Returns the handler it replaces.
using SaveFileDialogHandler = SaveFileResult (*)(SaveFileRequest* request);
SaveFileDialogHandler SetSaveFileDialogHandler(SaveFileDialogHandler handler);
