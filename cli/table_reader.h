// Reads a text table of integer vectors, one vector per line, from a buffer.
// A pure parser: no files, no messages; an error comes back as a value with
// the line and column where it was found.
//
// The cells of a line are separated by commas, semicolons, tabs or blanks;
// unless told, the separator is the first of tab, semicolon and comma that the
// first line holds, otherwise blanks. Blank lines and lines whose first
// non-blank character is '#' are skipped. The first line is a header when one
// of its (chosen) cells does not begin like a number.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/exact_decimal.h"

// The longest line read; a longer one is refused rather than guessed at.
constexpr std::size_t kMaxLineBytes = std::size_t(1) << 20;

enum class Delimiter { Detect, Comma, Semicolon, Tab, Blank };

struct TableReadOptions {
    Delimiter delimiter = Delimiter::Detect;
    std::vector<int> columns;            // 1-based; empty: every column
    std::optional<ExactDecimal> scale;   // every value read as round(value * scale)
    const std::atomic<bool>* cancel = nullptr;  // checked every few thousand lines
};

struct Table {
    std::vector<int32_t> values;  // row after row
    int64_t rows = 0;
    int32_t dimension = 0;
    Delimiter delimiter = Delimiter::Blank;  // the one used
    bool hasHeader = false;
};

struct TableReadError {
    int64_t line = 0;    // 1-based; 0 when the error belongs to no line
    int64_t column = 0;  // 1-based byte column; 0 when none
    std::string message;
    bool cancelled = false;  // the cancel flag was raised; the message says so

    explicit operator bool() const { return !message.empty(); }
};

// Fills table from text; on error table is left partly filled and must not be used.
TableReadError ReadTable(std::string_view text, const TableReadOptions& options, Table& table);
