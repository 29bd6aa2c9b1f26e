// Files the program writes, by one set of rules for every caller:
// - A regular file, or a symbolic link to one (or a link whose file does not
//   exist yet), is never written in place: the new content goes to a
//   temporary file beside the file the links end at, and only a complete,
//   flushed file is renamed over it, so a link stays a link. The replaced
//   file's permissions and extended attributes (its access control list),
//   and where the system allows it its owner, are kept. A file its owner may
//   not write is refused, even to the administrator, and so is one in a
//   sticky folder (as /tmp) that the system would not let the user replace.
//   Until the rename, and after any failure, the old file keeps its content
//   and no temporary file remains.
// - A FIFO, a device or a socket (and the descriptors of the process, such as
//   standard output) is written straight through and never replaced.
// - A folder, and an empty name, are refused.
#pragma once

#include <atomic>
#include <cstddef>

// A file being written: its temporary file and the target it will replace,
// or the FIFO, device or socket written straight through.
struct PendingFile;
using FileHandle = PendingFile*;
constexpr FileHandle kNoFile = nullptr;

// Starts writing the file at path by the rules above. kNoFile on failure.
// Without a flag (a window, which may never block), a FIFO that nobody reads
// yet fails at once, and a FIFO's or a socket's reader that leaves the
// bytes untaken for a second in all fails the write (ETIMEDOUT). Given a
// flag, as a command-line tool, the open and the writes wait for the reader
// instead and give up (EINTR) once the flag is raised (by Ctrl-C); so does
// the close of a replaced file, up to its rename.
FileHandle OpenFileForWriting(const char* path, const std::atomic<bool>* stopWaiting = nullptr);

// Writes all length bytes; false when the system refuses or writes fewer. A
// reader that has gone is a failed write (EPIPE), never a SIGPIPE.
bool WriteFileBytes(FileHandle file, const void* data, std::size_t length);

// Gives a replaced file's extended attributes (its access control list
// among them) and permissions to the new content, flushes it and puts it in
// the target's place. False when any step fails; the target is then
// untouched and the temporary file removed. The handle is released either
// way.
bool CloseFileHandle(FileHandle file);

// Gives up the file: the temporary file is removed, the target untouched,
// the handle released.
void DiscardFile(FileHandle file);

// The system's error number (errno; on Windows, GetLastError's) of the last
// of OpenFileForWriting, WriteFileBytes and CloseFileHandle that this thread
// called: 0 when it succeeded.
int LastFileError();
