// kvs's command line: the top level of the parser, the checks its options
// share, and the parser's errors told in kvs's own voice.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/error_report.h"

// The most threads a search or a study runs (the engine's own limit); 0 asks
// for every core the work pays for.
constexpr int kMaxThreads = 256;

// The top level: name, description, --version (answered with version, the
// build's own description) and footer; a command is required.
void DescribeKvs(CLI::App& app, const std::string& version);

// Checks run on an option's text before the parser converts it; one that
// fails says "VALUE: expected ...". Numbers are decimal digits only: no sign,
// no 0x, no exponent, no blanks.
//
// WholeNumber rewrites the number without its leading zeros, so that the
// parser's own conversion (which reads 010 as octal and 0x10 as hexadecimal)
// sees plain decimal: add it with transform(), which lets it rewrite.
CLI::Validator WholeNumber(uint64_t min, uint64_t max);
// "N,N,...": whole numbers from min to max separated by commas, each at most
// once when distinct is set.
CLI::Validator WholeNumberList(uint64_t min, uint64_t max, bool distinct);
// An exact decimal (ExactDecimal) above 0; with atMostOne, also at most 1.
CLI::Validator PositiveDecimal(bool atMostOne);
CLI::Validator OneOf(std::vector<std::string> names);

// The numbers of a list that WholeNumberList accepted, in their order.
std::vector<int64_t> NumbersOfList(std::string_view list);

// The parser's error as kvs reports it: one line that names the subcommand
// given (or kvs itself) and points at its --help. For errors whose exit code
// is not 0; --help and --version are not errors to report.
ToolError ParseFailure(const CLI::App& app, const CLI::ParseError& error);
