#include "cli/table_reader.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <numeric>
#include <utility>

#include "cli/error_report.h"

namespace {
constexpr std::size_t kShownCellBytes = 32;  // a longer cell is cut in messages
constexpr int64_t kLinesBetweenCancelChecks = 4096;

TableReadError ErrorAt(int64_t line, std::size_t offset, std::string message)
{
    TableReadError error;
    error.line = line;
    error.column = int64_t(offset) + 1;
    error.message = std::move(message);
    return error;
}



// What a UTF-8 sequence starting at text[i] is, looking no further than end.
enum class Sequence { Valid, Incomplete, Invalid };

Sequence Utf8Sequence(std::string_view text, std::size_t i, std::size_t end, std::size_t& length)
{
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    uint32_t codePoint = 0;
    length = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, codePoint = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, codePoint = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, codePoint = lead & 0x07;
    if (length == 0)
        return Sequence::Invalid;
    for (std::size_t k = 1; k < length; ++k) {
        if (i + k >= end)
            return Sequence::Incomplete;
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return Sequence::Invalid;
        codePoint = codePoint << 6 | (next & 0x3F);
    }
    const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    return codePoint < smallest[length] || surrogate || codePoint > 0x10FFFF ? Sequence::Invalid : Sequence::Valid;
}

// Text is tabs, carriage returns, printable characters and valid UTF-8;
// anything else is taken for binary data. Checks text[checked, end) and moves
// checked past what it found good. A character cut by end is an error when
// end is where the line ends, and otherwise waits for its other bytes.
TableReadError CheckText(std::string_view text, std::size_t& checked, std::size_t end, bool endsLine, int64_t number)
{
    for (std::size_t& i = checked; i < end; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c >= 0x20 && c < 0x7F) || c == '\t' || c == '\r')
            continue;
        if (c == 0)
            return ErrorAt(number, i, "binary data (a NUL byte); expected a text table");
        if (c < 0x80)
            return ErrorAt(number, i, "binary data (control character " + std::to_string(c) + "); expected a text table");
        std::size_t length = 0;
        const Sequence sequence = Utf8Sequence(text, i, end, length);
        if (sequence == Sequence::Incomplete && !endsLine)
            return {};
        if (sequence != Sequence::Valid)
            return ErrorAt(number, i, "binary data (not UTF-8 text); expected a text table");
        i += length - 1;
    }
    return {};
}

// The line's bytes are text and within the limit. checked bytes of it were
// found good before; a line that is longer than the limit is refused at the
// first byte past it, once the bytes before that are known to be text.
TableReadError CheckLine(std::string_view line, std::size_t checked, int64_t number)
{
    const std::size_t content = line.size() - (!line.empty() && line.back() == '\r' ? 1 : 0);
    const std::size_t end = std::min(content, kMaxLineBytes);
    if (TableReadError error = CheckText(line, checked, end, end == content, number))
        return error;
    if (content > kMaxLineBytes)
        return ErrorAt(number, kMaxLineBytes,
                       "line longer than the limit of " + std::to_string(kMaxLineBytes) + " bytes");
    return {};
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsSkipped(std::string_view line)
{
    std::size_t i = 0;
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    return i == line.size() || line[i] == '#';
}

// The first of tab, semicolon and comma between the line's first and last
// cell; blanks otherwise. The line is not blank.
Delimiter Detect(std::string_view line)
{
    const std::size_t first = line.find_first_not_of(" \t"), last = line.find_last_not_of(" \t");
    const std::string_view inner = line.substr(first, last - first + 1);
    for (const auto& [character, delimiter] :
         {std::pair{'\t', Delimiter::Tab}, std::pair{';', Delimiter::Semicolon}, std::pair{',', Delimiter::Comma}})
        if (inner.find(character) != std::string_view::npos)
            return delimiter;
    return Delimiter::Blank;
}

char DelimiterCharacter(Delimiter delimiter)
{
    switch (delimiter) {
    case Delimiter::Comma: return ',';
    case Delimiter::Semicolon: return ';';
    case Delimiter::Tab: return '\t';
    default: return ' ';
    }
}

// Calls onCell(cell, offset) for each cell of the line, blanks around it
// trimmed; offset is where the cell starts in the line.
template <typename OnCell>
void ForEachCell(std::string_view line, Delimiter delimiter, OnCell onCell)
{
    std::size_t i = 0;
    const std::size_t n = line.size();
    if (delimiter == Delimiter::Blank) {
        while (true) {
            while (i < n && IsBlank(line[i]))
                ++i;
            if (i == n)
                return;
            const std::size_t start = i;
            while (i < n && !IsBlank(line[i]))
                ++i;
            onCell(line.substr(start, i - start), start);
        }
    }
    const char separator = DelimiterCharacter(delimiter);
    while (true) {
        std::size_t start = i;
        while (i < n && line[i] != separator)
            ++i;
        std::size_t end = i;
        while (start < end && IsBlank(line[start]))
            ++start;
        while (end > start && IsBlank(line[end - 1]))
            --end;
        onCell(line.substr(start, end - start), start);
        if (i == n)
            return;
        ++i;
    }
}

std::string Shown(std::string_view cell)
{
    if (cell.size() <= kShownCellBytes)
        return "'" + std::string(cell) + "'";
    std::size_t cut = kShownCellBytes;
    while (cut > 0 && (static_cast<unsigned char>(cell[cut]) & 0xC0) == 0x80)
        --cut;  // not inside a UTF-8 sequence
    return "'" + std::string(cell.substr(0, cut)) + "...'";
}

// One cell's value, or the message that says why there is none.
std::string ReadValue(std::string_view cell, const std::optional<ExactDecimal>& scale, int32_t& value)
{
    if (cell.empty())
        return "empty cell; expected a number";
    if (!scale) {
        std::string_view digits = cell;
        if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-')
            digits.remove_prefix(1);
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error == std::errc() && end == digits.data() + digits.size())
            return {};
    }
    ExactDecimal decimal;
    switch (ParseExactDecimal(cell, decimal)) {
    case NumberSyntax::Integer:
        if (!scale)
            return Shown(cell) + " is outside " + kInt32Range;
        break;
    case NumberSyntax::Decimal:
        if (!scale)
            return Shown(cell) + " is not an integer; use --scale K to read every value as round(value * K)";
        break;
    case NumberSyntax::NotANumber: return Shown(cell) + " is not a number (NaN)";
    case NumberSyntax::Infinite: return Shown(cell) + " is infinite";
    case NumberSyntax::TooPrecise:
        return Shown(cell) + " has more than " + std::to_string(kMaxSignificantDigits) +
               " significant digits, too many to read exactly";
    case NumberSyntax::Invalid: return Shown(cell) + " is not a number";
    }
    if (!ScaleToInt32(decimal, *scale, value))
        return Shown(cell) + " times the scale is outside " + kInt32Range;
    return {};
}

// The first line's cells, blanks around them trimmed.
std::vector<std::string> CellsOf(std::string_view line, Delimiter delimiter)
{
    std::vector<std::string> cells;
    ForEachCell(line, delimiter, [&](std::string_view cell, std::size_t) { cells.emplace_back(cell); });
    return cells;
}

bool AnyLooksNumeric(const std::vector<std::string>& cells, const std::vector<int>& columns)
{
    for (std::size_t c = 0; c < cells.size(); ++c)
        if ((columns.empty() || std::find(columns.begin(), columns.end(), int(c + 1)) != columns.end()) &&
            LooksNumeric(cells[c]))
            return true;
    return false;
}

// slot[c] is where column c (0-based) of a row goes, -1 when it is not read.
std::vector<int32_t> SlotsOfColumns(const std::vector<int>& columns, std::size_t width)
{
    std::vector<int32_t> slots(width, -1);
    if (columns.empty())
        std::iota(slots.begin(), slots.end(), 0);
    for (std::size_t k = 0; k < columns.size(); ++k)
        slots[std::size_t(columns[k] - 1)] = int32_t(k);
    return slots;
}

// The decimal places a value needs to be whole: 0 for an integer.
int32_t DecimalPlaces(ExactDecimal value)
{
    while (value.mantissa != 0 && value.mantissa % 10 == 0) {
        value.mantissa /= 10;
        ++value.exponent;
    }
    return value.mantissa == 0 ? 0 : std::max(0, -value.exponent);
}

// Values times 10^digits, when every one stays in the signed 32-bit range.
bool ScaleValues(std::vector<int32_t>& values, int32_t digits)
{
    int64_t factor = 1;
    for (int32_t i = 0; i < digits && factor <= INT32_MAX; ++i)
        factor *= 10;
    for (int32_t value : values)
        if (value != 0 && (factor > INT32_MAX || !std::in_range<int32_t>(value * factor)))
            return false;
    for (int32_t& value : values)
        value = int32_t(value * factor);
    return true;
}

// The error of the cell at offset, the field-th of its line (from 0), named
// by its field and its header name.
TableReadError FieldError(int64_t number, std::size_t offset, std::size_t field,
                          const std::vector<std::string>& names, std::string message)
{
    TableReadError error = ErrorAt(number, offset, std::move(message));
    error.field = int64_t(field) + 1;
    if (field < names.size())
        error.fieldName = names[field];
    return error;
}

// Reads the chosen cells of a data line into row with readCell(cell, offset,
// field, value), which returns why a cell is no value or nothing; the line
// must have a cell for every slot. A cell at fault is named by its field and
// its header name.
template <typename ReadCell>
TableReadError ReadRow(std::string_view line, int64_t number, Delimiter delimiter,
                       const std::vector<int32_t>& slotOfColumn, const std::vector<std::string>& names,
                       ReadCell readCell, int32_t* row)
{
    const std::size_t width = slotOfColumn.size();
    std::size_t cells = 0;
    TableReadError error;
    ForEachCell(line, delimiter, [&](std::string_view cell, std::size_t offset) {
        if (!error && cells < width && slotOfColumn[cells] >= 0) {
            std::string message = readCell(cell, offset, cells, row[slotOfColumn[cells]]);
            if (!message.empty())
                error = FieldError(number, offset, cells, names, std::move(message));
        }
        ++cells;
    });
    if (cells != width)
        return LineFault(number, "row has " + Counted(cells, "cell") + " where the first line has " + std::to_string(width));
    return error;
}
} // namespace

TableReadError LineFault(int64_t line, std::string message)
{
    TableReadError error;
    error.line = line;
    error.message = std::move(message);
    return error;
}

TableReadError CancelledRead(int64_t line)
{
    TableReadError error = LineFault(line, "interrupted");
    error.cancelled = true;
    return error;
}

TableReader::TableReader(TableReadOptions options) : options_(std::move(options)) {}

TableReadError TableReader::Read(std::string_view piece)
{
    if (error_)
        return error_;
    if (!headDone_) {
        // The byte order mark some spreadsheets write first: wait until its
        // three bytes have come, or bytes that are not one.
        constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
        const std::size_t taken = std::min(piece.size(), kByteOrderMark.size() - head_.size());
        head_.append(piece.substr(0, taken));
        piece.remove_prefix(taken);
        if (head_.size() < kByteOrderMark.size() && kByteOrderMark.starts_with(head_))
            return {};
        headDone_ = true;
        if ((error_ = Consume(head_ == kByteOrderMark ? std::string_view() : std::string_view(head_))))
            return error_;
    }
    return error_ = Consume(piece);
}

TableReadError TableReader::Finish(Table& table)
{
    if (!error_ && !headDone_) {
        headDone_ = true;
        error_ = Consume(head_);
    }
    if (!error_ && !pending_.empty())
        error_ = ReadLine(pending_, pendingChecked_);  // the last line, without a line end
    pending_.clear();
    if (error_)
        return error_;
    if (table_.rows == 0)
        return error_ = LineFault(0, table_.hasHeader ? "a header but no data rows" : "no data rows");
    table_.values.shrink_to_fit();
    table = std::move(table_);
    return {};
}

// Reads every line the bytes end and holds on to the line they begin.
TableReadError TableReader::Consume(std::string_view bytes)
{
    while (!bytes.empty()) {
        const void* newline = std::memchr(bytes.data(), '\n', bytes.size());
        if (!newline)
            return Hold(bytes);
        const std::size_t length = std::size_t(static_cast<const char*>(newline) - bytes.data());
        const std::string_view end = bytes.substr(0, length);
        bytes.remove_prefix(length + 1);
        TableReadError error;
        if (pending_.empty()) {
            error = ReadLine(end, 0);
        } else if (!(error = Hold(end))) {
            error = ReadLine(pending_, pendingChecked_);
        }
        pending_.clear();
        pendingChecked_ = 0;
        if (error)
            return error;
    }
    return {};
}

// Keeps the start of a line until its end comes: no more of it than the
// limit and a carriage return, plus one byte that shows it too long.
TableReadError TableReader::Hold(std::string_view bytes)
{
    pending_.append(bytes.substr(0, std::min(bytes.size(), kMaxLineBytes + 2 - pending_.size())));
    const int64_t number = lines_ + 1;
    if (TableReadError error =
            CheckText(pending_, pendingChecked_, std::min(pending_.size(), kMaxLineBytes), false, number))
        return error;
    const bool tooLong = pending_.size() > kMaxLineBytes + 1 ||
                         (pending_.size() == kMaxLineBytes + 1 && pending_.back() != '\r');
    if (tooLong)
        return CheckLine(pending_, pendingChecked_, number);
    return {};
}

TableReadError TableReader::ReadLine(std::string_view line, std::size_t checked)
{
    const int64_t number = ++lines_;
    if (number % kLinesBetweenCancelChecks == 0 && options_.cancel && options_.cancel->load())
        return CancelledRead(number);
    if (TableReadError error = CheckLine(line, checked, number))
        return error;
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (IsSkipped(line))
        return {};
    if (slotOfColumn_.empty()) {
        if (TableReadError error = ReadFirstLine(line); error || table_.hasHeader)
            return error;
    }
    const std::size_t dimension = std::size_t(table_.dimension);
    const std::size_t filled = table_.values.size();
    table_.values.resize(filled + dimension);  // grows by doubling: no allocation for most rows
    TableReadError error;
    int32_t* row = table_.values.data() + filled;
    if (options_.autoScale) {
        error = ReadRow(line, number, table_.delimiter, slotOfColumn_, names_,
                        [&](std::string_view cell, std::size_t offset, std::size_t field, int32_t& value) {
                            return ReadAutoScaled(cell, number, offset, field, value);
                        }, row);
        if (atMostDigits_)
            return mostDigits_;
    } else {
        error = ReadRow(line, number, table_.delimiter, slotOfColumn_, names_,
                        [&](std::string_view cell, std::size_t, std::size_t, int32_t& value) {
                            return ReadValue(cell, options_.scale, value);
                        }, row);
    }
    if (error)
        return error;
    ++table_.rows;
    return {};
}

std::string TableReader::ReadAutoScaled(std::string_view cell, int64_t line, std::size_t offset, std::size_t field,
                                        int32_t& value)
{
    ExactDecimal decimal;
    const NumberSyntax syntax = ParseExactDecimal(cell, decimal);
    if (cell.empty() || (syntax != NumberSyntax::Integer && syntax != NumberSyntax::Decimal))
        return ReadValue(cell, std::nullopt, value);
    const int32_t places = DecimalPlaces(decimal);
    const std::string needs = "needs --scale auto to be 1e" + std::to_string(std::max(places, table_.scaleDigits));
    const char* beyond = ", which takes the table outside the signed 32-bit range; give --scale K to round";
    if (places > table_.scaleDigits) {
        if (!ScaleValues(table_.values, places - table_.scaleDigits))
            return Shown(cell) + " " + needs + beyond;
        table_.scaleDigits = places;
        mostDigits_ = FieldError(line, offset, field, names_, Shown(cell) + " " + needs + beyond);
    }
    if (ScaleToInt32(decimal, {1, table_.scaleDigits, false}, value))
        return {};
    if (table_.scaleDigits == 0)
        return Shown(cell) + " is outside " + kInt32Range;
    // The error is the cell's that needs the most digits, wherever it is.
    atMostDigits_ = true;
    return mostDigits_.message;
}

// The first line that is not skipped sets the delimiter and the width of
// every row, and is the header or the first row.
TableReadError TableReader::ReadFirstLine(std::string_view line)
{
    table_.delimiter = options_.delimiter == Delimiter::Detect ? Detect(line) : options_.delimiter;
    const std::vector<std::string> cells = CellsOf(line, table_.delimiter);
    // Names in --columns make the first line their header.
    const bool named = NamesAColumn(options_.columns);
    if (named && options_.header == HeaderRule::Absent)
        return LineFault(lines_, "--columns names columns, but --no-header makes the first line data");
    std::vector<int> columns;
    if (std::string problem = ChooseColumns(options_.columns, int64_t(cells.size()), named ? cells : std::vector<std::string>(), columns);
        !problem.empty())
        return LineFault(lines_, problem);
    slotOfColumn_ = SlotsOfColumns(columns, cells.size());
    table_.dimension = int32_t(columns.empty() ? cells.size() : columns.size());
    table_.hasHeader = named || options_.header == HeaderRule::Present ||
                       (options_.header == HeaderRule::Detect && !AnyLooksNumeric(cells, columns));
    if (table_.hasHeader)
        names_ = cells;
    return {};
}

TableReadError ReadTable(std::string_view text, const TableReadOptions& options, Table& table)
{
    table = {};
    TableReader reader(options);
    if (TableReadError error = reader.Read(text))
        return error;
    return reader.Finish(table);
}
