#include "cli/error_report.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>

#include "cli/exit_codes.h"
#include "cluster/launcher.h"

ToolError UsageError(std::string message) { return {kExitUsage, std::move(message)}; }

ToolError RunFailure(std::string message) { return {kExitFailure, std::move(message)}; }

ToolError InterruptedError() { return {kExitInterrupted, "interrupted"}; }

ToolError ArgumentError(std::string command, std::string message)
{
    return {kExitUsage, std::move(message), command.empty() ? "kvs" : "kvs " + command};
}

std::string Counted(int64_t count, std::string_view noun, std::string_view plural)
{
    if (count == 1)
        return "1 " + std::string(noun);
    return std::to_string(count) + " " + (plural.empty() ? std::string(noun) + "s" : std::string(plural));
}

namespace {
// The message with its control characters (a newline in a file name, say)
// written as \xHH, so that it stays one line.
std::string OneLine(std::string_view message)
{
    std::string line;
    for (const char c : message) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if ((byte >= 0x20 && byte != 0x7F) || c == '\t') {
            line += c;
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
        line += escaped;
    }
    return line;
}
} // namespace

std::string ErrorLine(const ToolError& error)
{
    if (error.command.empty())
        return "kvs: " + OneLine(error.message);
    return error.command + ": " + OneLine(error.message) + "; see '" + error.command + " --help'";
}

int ReportError(const ToolError& error)
{
    if (!error)
        return error.exitCode;
    // Under an MPI launcher every rank meets the same error (bad arguments
    // above all, found before the ranks have joined): rank 0 alone says it.
    // The launcher ends the whole job as soon as one rank fails, and may
    // then drop what rank 0 has written but not yet forwarded: the others
    // give rank 0 a moment to say it and end first.
    if (LauncherRank().value_or(0) != 0) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        return error.exitCode;
    }
    std::fprintf(stderr, "%s\n", ErrorLine(error).c_str());
    std::fflush(stderr);
    return error.exitCode;
}

std::string SystemMessage(int errorNumber) { return std::strerror(errorNumber); }
