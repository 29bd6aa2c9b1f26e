// One shape for every error kvs reports: a single line on standard error,
// "kvs: message" or "kvs: FILE: line L, field F: message", and the exit code that
// goes with it. An error in a subcommand's arguments names the subcommand and
// ends by pointing at its help: "kvs search: message; see 'kvs search --help'".
// Errors travel as values up to the subcommand, which reports them once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

struct ToolError {
    int exitCode = 0;     // one of exit_codes.h; 0 means no error
    std::string message;  // one line, without the "kvs: " prefix
    std::string command;  // "kvs" or "kvs search" when its arguments are at fault; empty otherwise

    ToolError() = default;
    ToolError(int exitCode, std::string message, std::string command = {})
        : exitCode(exitCode), message(std::move(message)), command(std::move(command))
    {
    }

    explicit operator bool() const { return exitCode != 0; }
};

ToolError UsageError(std::string message);
ToolError RunFailure(std::string message);
ToolError InterruptedError();  // Ctrl-C: "interrupted", kExitInterrupted

// Bad arguments of a subcommand (or of kvs itself, for an empty command):
// a kExitUsage error whose line points at that command's --help.
ToolError ArgumentError(std::string command, std::string message);

// "1 row", "3 rows": a count with its noun in the number it needs (the
// plural given, or the noun and an s).
std::string Counted(int64_t count, std::string_view noun, std::string_view plural = {});

// The line an error is reported as, without its newline.
std::string ErrorLine(const ToolError& error);

// The error's line on standard error (none for no error; under an MPI
// launcher, on rank 0 alone); returns its exit code.
int ReportError(const ToolError& error);

// The system's text for errno, as in "No such file or directory".
std::string SystemMessage(int errorNumber);
