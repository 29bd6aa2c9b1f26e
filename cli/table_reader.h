// Reads a text table of integer vectors, one vector per line. A pure parser:
// no files, no messages; an error comes back as a value with the line and
// column where it was found. The text may come in pieces of any size, as a
// pipe or an inflating stream hands it over; only the rows are kept, so the
// memory a read takes follows the rows, not the lines or bytes read.
//
// The cells of a line are separated by commas, semicolons, tabs or blanks;
// unless told, the separator is the first of tab, semicolon and comma that the
// first line holds, otherwise blanks. Blank lines and lines whose first
// non-blank character is '#' are skipped. Unless told, the first line is a
// header only when none of its (chosen) cells begins like a number; any
// other first line is data, and its faults are reported at line 1.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/exact_decimal.h"
#include "cli/column_choice.h"

// The longest line read, its line end (LF or CRLF) not counted; a longer one
// is refused rather than guessed at.
constexpr std::size_t kMaxLineBytes = std::size_t(1) << 20;

// The values a table holds, as messages name them.
constexpr const char* kInt32Range = "the signed 32-bit range (-2147483648 to 2147483647)";

enum class Delimiter { Detect, Comma, Semicolon, Tab, Blank };

enum class HeaderRule { Detect, Present, Absent };

struct TableReadOptions {
    Delimiter delimiter = Delimiter::Detect;
    HeaderRule header = HeaderRule::Detect;
    std::vector<ColumnPick> columns;     // empty: every column
    std::optional<ExactDecimal> scale;   // every value read as round(value * scale)
    // The scale is the smallest power of ten that makes every value whole
    // (Table::scaleDigits); a table that it takes outside the signed 32-bit
    // range is refused at the cell that needs the most digits.
    bool autoScale = false;
    std::string array;                   // the array of a .npz to read; empty: its only one
    const std::atomic<bool>* cancel = nullptr;  // checked every few thousand lines
};

struct Table {
    std::vector<int32_t> values;      // row after row, unless the rows are mapped
    std::shared_ptr<const int32_t> mapped;  // the rows in place in a mapped file; values is then empty
    int64_t rows = 0;
    int32_t dimension = 0;
    Delimiter delimiter = Delimiter::Blank;  // the one used
    bool hasHeader = false;
    int32_t scaleDigits = 0;  // with autoScale: the values are round(value * 10^scaleDigits)

    const int32_t* Data() const { return mapped ? mapped.get() : values.data(); }
};

struct TableReadError {
    int64_t line = 0;    // 1-based; 0 when the error belongs to no line
    int64_t column = 0;  // 1-based byte column; 0 when none
    int64_t field = 0;   // 1-based cell of the line when a cell is at fault; 0 when none
    std::string fieldName;  // that cell's column's name in the header, if there is one
    std::string message;
    bool cancelled = false;  // the cancel flag was raised; the message says so

    explicit operator bool() const { return !message.empty(); }
};

// An error at a line (0: at none) that no cell or byte is blamed for.
TableReadError LineFault(int64_t line, std::string message);
// The read stopped by the cancel flag at a line (0: at none).
TableReadError CancelledRead(int64_t line);

class TableReader {
public:
    explicit TableReader(TableReadOptions options);

    // The next piece of the text; a piece may end anywhere, even inside a
    // line or a UTF-8 character. After an error every later call returns it.
    TableReadError Read(std::string_view piece);

    // The end of the text: reads its last line and hands over the table.
    TableReadError Finish(Table& table);

private:
    TableReadError Consume(std::string_view bytes);
    TableReadError Hold(std::string_view bytes);
    TableReadError ReadLine(std::string_view line, std::size_t checked);
    TableReadError ReadFirstLine(std::string_view line);
    // A cell under autoScale: the scale grows (the values read so far with
    // it) when the cell needs more digits.
    std::string ReadAutoScaled(std::string_view cell, int64_t line, std::size_t offset, std::size_t field,
                               int32_t& value);

    TableReadOptions options_;
    Table table_;
    std::vector<int32_t> slotOfColumn_;  // where each cell of a row goes; -1 when it is not read
    std::vector<std::string> names_;     // the header's cells, when there is a header
    std::string head_;                   // the first bytes, until it is clear whether they are a byte order mark
    bool headDone_ = false;
    TableReadError mostDigits_;          // under autoScale: the cell that needs the most digits, as an error
    bool atMostDigits_ = false;          // that error is the read's
    std::string pending_;                // a line whose end has not come yet
    std::size_t pendingChecked_ = 0;     // its bytes known to be text
    int64_t lines_ = 0;                  // lines read whole
    TableReadError error_;
};

// The whole text at once; on error the table is left empty.
TableReadError ReadTable(std::string_view text, const TableReadOptions& options, Table& table);
