// Files the program writes. A file is never written in place: the new content
// goes to a temporary file beside the target, and only a complete, flushed
// file replaces the target. Until then, and after any failure, the target
// keeps its old content and no temporary file remains.
#pragma once

#include <cstddef>

// A file being written: its temporary file and the target it will replace.
struct PendingFile;
using FileHandle = PendingFile*;
constexpr FileHandle kNoFile = nullptr;

// Starts writing the file at path: creates the temporary file beside it. A
// symbolic link is followed, so the file it points to is the one replaced
// and the link stays as it is. kNoFile on failure, and for a target that
// exists but is not a regular file (a folder, a FIFO, a device), which is
// never opened.
FileHandle OpenFileForWriting(const char* path);

// Writes all length bytes; false when the system refuses or writes fewer.
bool WriteFileBytes(FileHandle file, const void* data, std::size_t length);

// Flushes the file to disk and puts it in the target's place. False when any
// step fails; the target is then untouched and the temporary file removed.
// The handle is released either way.
bool CloseFileHandle(FileHandle file);

// Gives up the file: the temporary file is removed, the target untouched,
// the handle released.
void DiscardFile(FileHandle file);

// Test builds only: the Nth close from now on (1 = the next one) fails, once, after
// the content is flushed and before it replaces the target. 0 turns failing off.
void FailNthFileClose(long n);
