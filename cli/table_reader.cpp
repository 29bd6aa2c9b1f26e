#include "cli/table_reader.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <numeric>
#include <utility>

namespace {
constexpr std::size_t kShownCellBytes = 32;  // a longer cell is cut in messages
constexpr int64_t kLinesBetweenCancelChecks = 4096;

TableReadError ErrorAt(int64_t line, std::size_t offset, std::string message)
{
    return {line, int64_t(offset) + 1, std::move(message)};
}

std::string_view NextLine(std::string_view& rest)
{
    const void* end = std::memchr(rest.data(), '\n', rest.size());
    const std::size_t length = end ? std::size_t(static_cast<const char*>(end) - rest.data()) : rest.size();
    const std::string_view line = rest.substr(0, length);
    rest.remove_prefix(end ? length + 1 : length);
    return line;
}

// The length of the UTF-8 sequence at text[i], or 0 when it is not one.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i)
{
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    uint32_t codePoint = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, codePoint = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, codePoint = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, codePoint = lead & 0x07;
    if (length == 0 || i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        codePoint = codePoint << 6 | (next & 0x3F);
    }
    const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    return codePoint < smallest[length] || surrogate || codePoint > 0x10FFFF ? 0 : length;
}

// Text is tabs, carriage returns, printable characters and valid UTF-8;
// anything else is taken for binary data.
TableReadError CheckText(std::string_view line, int64_t number)
{
    for (std::size_t i = 0; i < line.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if (c >= 0x20 && c < 0x7F)
            continue;
        if (c == '\t' || c == '\r')
            continue;
        if (c == 0)
            return ErrorAt(number, i, "binary data (a NUL byte); expected a text table");
        if (c < 0x80)
            return ErrorAt(number, i, "binary data (control character " + std::to_string(c) + "); expected a text table");
        const std::size_t length = Utf8SequenceLength(line, i);
        if (length == 0)
            return ErrorAt(number, i, "binary data (not UTF-8 text); expected a text table");
        i += length - 1;
    }
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

const char* kInt32Range = "the signed 32-bit range (-2147483648 to 2147483647)";

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

// The first line's cells: how many, and whether the chosen ones all look numeric.
struct FirstLine {
    std::size_t width = 0;
    bool numeric = true;
};

FirstLine LookAtFirstLine(std::string_view line, Delimiter delimiter, const std::vector<int>& columns)
{
    FirstLine first;
    ForEachCell(line, delimiter, [&](std::string_view cell, std::size_t) {
        ++first.width;
        const bool chosen = columns.empty() || std::find(columns.begin(), columns.end(), first.width) != columns.end();
        if (chosen && !LooksNumeric(cell))
            first.numeric = false;
    });
    return first;
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

// Reads the chosen cells of a data line into row; the line must have a cell
// for every slot.
TableReadError ReadRow(std::string_view line, int64_t number, Delimiter delimiter,
                       const std::vector<int32_t>& slotOfColumn, const std::optional<ExactDecimal>& scale, int32_t* row)
{
    const std::size_t width = slotOfColumn.size();
    std::size_t cells = 0, firstExtraOffset = 0;
    TableReadError error;
    ForEachCell(line, delimiter, [&](std::string_view cell, std::size_t offset) {
        if (cells == width)
            firstExtraOffset = offset;
        if (!error && cells < width && slotOfColumn[cells] >= 0) {
            std::string message = ReadValue(cell, scale, row[slotOfColumn[cells]]);
            if (!message.empty())
                error = ErrorAt(number, offset, std::move(message));
        }
        ++cells;
    });
    if (cells != width)
        return ErrorAt(number, cells > width ? firstExtraOffset : line.size(),
                       "row has " + std::to_string(cells) + " cells where the first line has " + std::to_string(width));
    return error;
}
} // namespace

TableReadError ReadTable(std::string_view text, const TableReadOptions& options, Table& table)
{
    table = {};
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);  // the byte order mark some spreadsheets write first
    std::vector<int32_t> slotOfColumn;
    std::size_t width = 0;  // cells in every row (slotOfColumn.size()); 0 until the first line is seen
    int64_t number = 0;
    TableReadError error;
    while (!text.empty()) {
        std::string_view line = NextLine(text);
        if (++number % kLinesBetweenCancelChecks == 0 && options.cancel && options.cancel->load())
            return {number, 0, "interrupted", true};
        if (line.size() > kMaxLineBytes)
            return ErrorAt(number, kMaxLineBytes, "line longer than the limit of " + std::to_string(kMaxLineBytes) + " bytes");
        if ((error = CheckText(line, number)))
            return error;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (IsSkipped(line))
            continue;

        if (width == 0) {
            table.delimiter = options.delimiter == Delimiter::Detect ? Detect(line) : options.delimiter;
            const FirstLine first = LookAtFirstLine(line, table.delimiter, options.columns);
            width = first.width;
            for (int column : options.columns)
                if (std::size_t(column) > width)
                    return {number, 0, "column " + std::to_string(column) + " was chosen, but the table has " +
                                            std::to_string(width) + " columns"};
            slotOfColumn = SlotsOfColumns(options.columns, width);
            table.dimension = int32_t(options.columns.empty() ? width : options.columns.size());
            if (!first.numeric) {
                table.hasHeader = true;
                continue;
            }
        }

        if (table.values.empty()) {
            // Room for every line that is left, so that no row allocates; trimmed at the end.
            const std::size_t linesLeft = std::size_t(std::count(text.begin(), text.end(), '\n')) + 1;
            table.values.resize((linesLeft + 1) * std::size_t(table.dimension));
        }
        int32_t* row = table.values.data() + std::size_t(table.rows) * std::size_t(table.dimension);
        if ((error = ReadRow(line, number, table.delimiter, slotOfColumn, options.scale, row)))
            return error;
        ++table.rows;
    }
    if (table.rows == 0)
        return {0, 0, table.hasHeader ? "a header but no data rows" : "no data rows"};
    table.values.resize(std::size_t(table.rows) * std::size_t(table.dimension));
    table.values.shrink_to_fit();
    return {};
}
