// The command line of `kvs search`: its options, and the checks each value
// passes before the search sees it.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>

#include "cli/table_reader.h"

// What the command line says, as its parser checked it.
struct SearchOptions {
    std::string input;
    int64_t size = 0;       // 0: not given
    std::string fraction;   // exact decimal text, 0 < F <= 1; S = ceil(F * n)
    int threads = 0;        // 0: every core the work pays for
    std::string method = "auto";
    std::string columns;    // "1,3,4", "2-4", "lat,lon"
    std::string delimiter = "detect";
    HeaderRule header = HeaderRule::Detect;
    std::string scale;      // exact decimal text above 0
    std::string array;      // the array of a .npz; empty: its only one
    std::string format = "text";
    std::string output = "-";  // "-": standard output
    bool quiet = false;
};

// Adds the subcommand, which fills options as it parses; options must live
// as long as the parser. Returns the subcommand, whose callback is the
// caller's.
CLI::App* AddSearchOptions(CLI::App& app, SearchOptions& options);
