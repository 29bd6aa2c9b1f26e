#include "cli/search_options.h"

#include <cstdint>

#include "cli/column_choice.h"
#include "cli/command_line.h"

CLI::App* AddSearchOptions(CLI::App& app, SearchOptions& options)
{
    CLI::App* command = app.add_subcommand("search", "Find the S mutually closest rows of a table of integer vectors");
    command->add_option("FILE", options.input,
                        "The table: text with one vector per line, a .npy array or a .npz archive (told by their "
                        "content); '-' reads standard input; gzip data is inflated")
        ->required();
    CLI::Option* size = command->add_option("-s,--size", options.size, "S, the rows in the subset (1 to n)")
                            ->transform(WholeNumber(1, INT64_MAX));
    CLI::Option* fraction =
        command->add_option("--fraction", options.fraction, "S as a fraction F of the rows: S = ceil(F * n), 0 < F <= 1")
            ->check(PositiveDecimal(true));
    size->excludes(fraction);
    fraction->excludes(size);
    command->add_option("-j,--threads", options.threads,
                        "Threads to search with, at most " + std::to_string(kMaxThreads) +
                            " (default 0: every core the work pays for)")
        ->transform(WholeNumber(0, kMaxThreads));
    command->add_option("--method", options.method, "auto, dense, tree or described (default: auto)")
        ->check(OneOf({"auto", "dense", "tree", "described"}));
    command
        ->add_option("--columns", options.columns,
                     "Use only these columns: numbers counted from 1, ranges or header names, e.g. 1,3,4 or 2-4 or "
                     "2- or lat,lon (default: every column)")
        ->check(CLI::Validator(
            [](std::string& text) {
                std::vector<ColumnPick> picks;
                const std::string problem = ParseColumnList(text, picks);
                return problem.empty() ? problem : text + ": " + problem;
            },
            ""));
    command->add_option("--delimiter", options.delimiter,
                        "detect, comma, semicolon, tab or blank (default: detect, from the first line)")
        ->check(OneOf({"detect", "comma", "semicolon", "tab", "blank"}));
    CLI::Option* header = command->add_flag_callback(
        "--header", [&options] { options.header = HeaderRule::Present; },
        "The first line is a header, whatever it holds");
    CLI::Option* noHeader = command->add_flag_callback(
        "--no-header", [&options] { options.header = HeaderRule::Absent; },
        "The first line is data, whatever it holds");
    header->excludes(noHeader);
    noHeader->excludes(header);
    command
        ->add_option("--scale", options.scale,
                     "Read every value as round(value * K), for tables of decimals; auto: the smallest power of ten "
                     "that makes every value whole (default: none, integers)")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                const std::string refused = text == "auto" ? "" : PositiveDecimal(false)(text);
                return refused.empty() ? refused : refused + ", or auto";
            },
            "K|auto"));
    command->add_option("--array", options.array, "The array of a .npz file to read (default: its only one)");
    command
        ->add_option("--format", options.format,
                     "text, csv, json, or rows: CSV of one subset row per line, rank,row,squared_distance "
                     "(default: text)")
        ->check(OneOf({"text", "csv", "json", "rows"}));
    command->add_option("-o,--output", options.output,
                        "Write the result to FILE, a file whole or not at all, a FIFO or device straight through "
                        "(default: - for standard output)");
    command->add_flag("-q,--quiet", options.quiet, "No progress bar");
    command->footer("Lines starting with '#' and blank lines are skipped. The first line is a header when none of its\n"
                    "(chosen) cells begins like a number. Lines are at most 1 MiB long.");
    return command;
}
