// Where a subcommand writes its result: standard output, or a file that is
// written whole or not at all. A file's bytes go to a temporary file in the
// same folder, which replaces the named file only when Commit succeeds; a
// failure, an early return or Ctrl-C removes the temporary and leaves any
// existing file as it was.
#pragma once

#include <string>
#include <string_view>

#include "cli/error_report.h"

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();  // removes the temporary file unless committed

    // An empty path or "-" is standard output. A file's folder must exist and
    // be writable; the temporary file is made at once, so that a bad path is
    // refused (with kExitUsage) before any work is done.
    ToolError Open(const std::string& path);

    ToolError Write(std::string_view bytes);

    // Flushes the bytes to the device and puts the file in place; standard
    // output is flushed and checked.
    ToolError Commit();

    // The temporary file's path, empty for standard output (for tests).
    const std::string& TemporaryPath() const { return temporaryPath_; }

private:
    void Discard();

    std::string target_;         // the file to put in place
    std::string path_;           // the name shown in messages
    std::string temporaryPath_;  // empty for standard output
    unsigned mode_ = 0;          // the permissions the file gets
    int descriptor_ = -1;
    bool toStandardOutput_ = false;
};
