// `kvs search FILE --size S`: the similar-subset search over a table read
// from a file.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>

// What the command line says, as given; RunSearchCommand checks it.
struct SearchOptions {
    std::string input;
    int64_t size = 0;
    std::string fraction;   // exact decimal text; S = ceil(F * n)
    int threads = 0;        // 0: every core
    std::string method = "auto";
    std::string columns;    // "1,3,4"
    std::string delimiter = "detect";
    std::string scale;      // exact decimal text
    std::string format = "text";
    std::string output = "-";  // "-": standard output
    bool quiet = false;
};

// Adds the subcommand; when it runs, its exit code goes to exitCode.
void AddSearchCommand(CLI::App& app, int& exitCode);

int RunSearchCommand(const SearchOptions& options);
