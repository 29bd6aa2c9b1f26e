// The input of kvs search: a path, or "-" for standard input. gzip data (by
// its content, not its name) is inflated on the way.
#pragma once

#include <string>

#include "cli/error_report.h"
#include "cli/table_reader.h"

// The name messages give the input: the path, or "<stdin>" for "-".
std::string InputName(const std::string& path);

// The table the input holds: a text table, a .npy array or a .npz archive
// (its first bytes tell), inflated on the way when it is gzip data. A .npy
// file is mapped and read in place; anything else is read in pieces. A
// missing, unreadable or corrupt input, a folder, or a fault in the table is
// a kExitUsage error naming the input (and the line and column of a text
// table's fault); Ctrl-C while reading or waiting for input (from a pipe, a
// terminal or a FIFO) is kExitInterrupted.
ToolError ReadTableFile(const std::string& path, const TableReadOptions& options, Table& table);
