// kvs's own argument parser, driven in-process: the input is the command
// line, its arguments separated by NUL bytes. The parser is kvs's top level
// and its search command's options, with no work behind them: no search runs.
//
// Whatever the arguments, parsing ends in a choice or in one error, told
// as kvs tells them: one line, "kvs" or "kvs COMMAND", lowercase, exit code
// 2, pointing at the help.
#include <CLI/CLI.hpp>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/exit_codes.h"
#include "cli/search_options.h"

namespace {
void Require(bool condition)
{
    if (!condition)
        std::abort();
}

std::vector<std::string> Arguments(const uint8_t* data, std::size_t size)
{
    std::vector<std::string> arguments{"kvs"};
    std::string argument;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] != 0) {
            argument += char(data[i]);
            continue;
        }
        arguments.push_back(argument);
        argument.clear();
    }
    if (!argument.empty())
        arguments.push_back(argument);
    return arguments;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    std::vector<std::string> arguments = Arguments(data, size);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());

    CLI::App app;
    DescribeKvs(app, "kvs (fuzzing)");
    SearchOptions options;
    AddSearchOptions(app, options);
    try {
        app.parse(int(argv.size()), argv.data());
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0)
            return 0;  // --help or --version
        const ToolError failure = ParseFailure(app, error);
        const std::string line = ErrorLine(failure);
        Require(failure.exitCode == kExitUsage);
        Require(line.find('\n') == std::string::npos);
        Require(line.starts_with("kvs: ") || line.starts_with("kvs search: "));
        Require(line.ends_with(" --help'"));
        const std::size_t start = line.find(": ") + 2;
        Require(start < line.size() && !std::isupper(static_cast<unsigned char>(line[start])));
    }
    return 0;
}
