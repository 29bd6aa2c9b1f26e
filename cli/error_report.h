// One shape for every error kvs reports: a single line on standard error,
// "kvs: message" or "kvs: FILE:LINE:COLUMN: message", and the exit code that
// goes with it. Errors travel as values up to the subcommand, which reports
// them once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct ToolError {
    int exitCode = 0;     // one of exit_codes.h; 0 means no error
    std::string message;  // one line, without the "kvs: " prefix

    explicit operator bool() const { return exitCode != 0; }
};

ToolError UsageError(std::string message);
ToolError RunFailure(std::string message);
ToolError InterruptedError();  // Ctrl-C: "interrupted", kExitInterrupted

// "FILE:LINE:COLUMN: message"; line and column are 1-based, and a 0 leaves
// that part (and the ones after it) out.
std::string AtLocation(std::string_view file, int64_t line, int64_t column, std::string_view message);

// The error's line on standard error (none for no error); returns its exit code.
int ReportError(const ToolError& error);

// The system's text for errno, as in "No such file or directory".
std::string SystemMessage(int errorNumber);
