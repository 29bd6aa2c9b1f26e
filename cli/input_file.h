// The bytes of a subcommand's input file: a path, or "-" for standard input.
// A gzip-compressed file (by its content, not its name) is inflated on the way.
#pragma once

#include <string>

#include "cli/error_report.h"

// The name messages give the input: the path, or "<stdin>" for "-".
std::string InputName(const std::string& path);

// Reads the whole input into bytes. A missing, unreadable or corrupt input,
// or a folder, is a kExitUsage error; Ctrl-C while waiting for standard input
// is kExitInterrupted.
ToolError ReadInputFile(const std::string& path, std::string& bytes);
