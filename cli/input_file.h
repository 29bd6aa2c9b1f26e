// The input of a subcommand: a path, or "-" for standard input, read in
// pieces. gzip data (by its content, not its name) is inflated on the way.
#pragma once

#include <string>

#include "cli/error_report.h"
#include "cli/input_decoder.h"
#include "cli/table_reader.h"

// The name messages give the input: the path, or "<stdin>" for "-".
std::string InputName(const std::string& path);

// Reads the input to its end and hands its text to sink piece by piece; a
// sink that returns false stops the reading, and why it stopped is the
// caller's to report. A missing, unreadable or corrupt input, or a folder,
// is a kExitUsage error; Ctrl-C while reading or waiting for input (from a
// pipe, a terminal or a FIFO) is kExitInterrupted.
ToolError ReadInputFile(const std::string& path, const InputDecoder::Sink& sink);

// The table the input holds; a fault in it is a kExitUsage error naming the
// input, line and column.
ToolError ReadTableFile(const std::string& path, const TableReadOptions& options, Table& table);
