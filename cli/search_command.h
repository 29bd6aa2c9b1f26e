// `kvs search FILE --size S`: the similar-subset search over a table read
// from a file.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/search_options.h"

// Adds the subcommand; when it runs, its exit code goes to exitCode.
void AddSearchCommand(CLI::App& app, int& exitCode);

int RunSearchCommand(const SearchOptions& options);
