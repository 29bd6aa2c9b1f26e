#include "cli/error_report.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "cli/exit_codes.h"

ToolError UsageError(std::string message) { return {kExitUsage, std::move(message)}; }

ToolError RunFailure(std::string message) { return {kExitFailure, std::move(message)}; }

ToolError InterruptedError() { return {kExitInterrupted, "interrupted"}; }

std::string AtLocation(std::string_view file, int64_t line, int64_t column, std::string_view message)
{
    std::string text(file);
    if (line > 0) {
        text += ':' + std::to_string(line);
        if (column > 0)
            text += ':' + std::to_string(column);
    }
    text += ": ";
    text += message;
    return text;
}

int ReportError(const ToolError& error)
{
    if (!error)
        return error.exitCode;
    std::fprintf(stderr, "kvs: %s\n", error.message.c_str());
    std::fflush(stderr);
    return error.exitCode;
}

std::string SystemMessage(int errorNumber) { return std::strerror(errorNumber); }
