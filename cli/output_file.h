// Where a subcommand writes its result: standard output, or a file written
// by the platform's rules for every file the program writes
// (docs/design/files.md): a regular file is written whole or not at all,
// through a temporary file beside it that replaces it only when Commit
// succeeds; a FIFO, a device or a socket is written straight through. A
// failure, an early return or a signal removes the temporary file and leaves
// any existing file as it was.
#pragma once

#include <string>
#include <string_view>

#include "cli/error_report.h"
#include "platform/file_io.h"

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();  // removes the temporary file unless committed

    // "-" is standard output; an empty name is refused. The file is opened
    // at once (a FIFO waits for its reader), so that a bad path is refused
    // (with kExitUsage) before any work is done.
    ToolError Open(const std::string& path);

    // Both stop with InterruptedError once Ctrl-C has been pressed, so that
    // an interrupted run never replaces the file.
    ToolError Write(std::string_view bytes);
    // Flushes the bytes to the device and puts the file in place; standard
    // output is flushed and checked.
    ToolError Commit();

private:
    ToolError WriteFailure(int systemError);

    std::string path_;  // as given
    FileHandle file_ = kNoFile;
    bool toStandardOutput_ = false;
};
