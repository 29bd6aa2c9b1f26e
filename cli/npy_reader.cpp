#include "cli/npy_reader.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <numeric>
#include <type_traits>

#include "cli/error_report.h"

namespace {
constexpr int64_t kItemsBetweenCancelChecks = int64_t(1) << 16;

TableReadError Fault(std::string message) { return LineFault(0, std::move(message)); }

bool Cancelled(const TableReadOptions& options, int64_t item)
{
    return item % kItemsBetweenCancelChecks == 0 && options.cancel && options.cancel->load();
}

std::string ShapeOf(const NpyHeader& header)
{
    return header.shape.size() == 1
               ? "(" + std::to_string(header.Rows()) + ",)"
               : "(" + std::to_string(header.Rows()) + ", " + std::to_string(header.Columns()) + ")";
}

int64_t ItemCount(const NpyHeader& header) { return header.Rows() * header.Columns(); }

// Where item k of the file lies in the array: its 0-based row and column.
std::pair<int64_t, int64_t> RowAndColumn(const NpyHeader& header, int64_t item)
{
    if (header.fortranOrder)
        return {item % header.Rows(), item / header.Rows()};
    return {item / header.Columns(), item % header.Columns()};
}

// The checks the header passes before any data is read, the columns read
// (1-based; empty: all), and where each column of a row goes (-1 when it is
// not read).
std::string Prepare(const NpyHeader& header, const TableReadOptions& options, std::vector<int>& columns,
                    std::vector<int32_t>& slots, int32_t& dimension)
{
    if (header.kind == 'f' && !options.scale)
        return "the array holds floats (" + header.TypeName() + "); use --scale K to read every value as " +
               (options.autoScale ? "round(value * K) (--scale auto is for text tables)" : "round(value * K)");
    if (std::string problem = ChooseColumns(options.columns, header.Columns(), {}, columns); !problem.empty())
        return problem;
    slots.assign(std::size_t(header.Columns()), -1);
    if (columns.empty())
        std::iota(slots.begin(), slots.end(), 0);
    for (std::size_t k = 0; k < columns.size(); ++k)
        slots[std::size_t(columns[k] - 1)] = int32_t(k);
    dimension = int32_t(columns.empty() ? header.Columns() : int64_t(columns.size()));
    return {};
}

uint64_t RawBits(const NpyHeader& header, const char* item)
{
    unsigned char bytes[8];
    std::memcpy(bytes, item, std::size_t(header.itemBytes));
    uint64_t bits = 0;
    for (int i = 0; i < header.itemBytes; ++i)
        bits |= uint64_t(bytes[header.bigEndian ? header.itemBytes - 1 - i : i]) << (8 * i);
    return bits;
}

// The decimal an item stands for: integers as they are, floats as their
// shortest round-trip decimal.
std::string DecimalText(const NpyHeader& header, uint64_t bits)
{
    char text[64];
    std::to_chars_result written;
    if (header.kind == 'f' && header.itemBytes == 4)
        written = std::to_chars(text, text + sizeof text, std::bit_cast<float>(uint32_t(bits)));
    else if (header.kind == 'f')
        written = std::to_chars(text, text + sizeof text, std::bit_cast<double>(bits));
    else if (header.kind == 'u')
        written = std::to_chars(text, text + sizeof text, bits);
    else {
        const int shift = 64 - 8 * header.itemBytes;
        written = std::to_chars(text, text + sizeof text, int64_t(bits << shift) >> shift);
    }
    return std::string(text, written.ptr);
}

// One item as the table's value, or the message that says why there is none.
std::string ItemValue(const NpyHeader& header, const std::optional<ExactDecimal>& scale, const char* item,
                      int32_t& value)
{
    const uint64_t bits = RawBits(header, item);
    if (header.kind == 'b') {
        value = bits != 0;
        if (scale && !ScaleToInt32({bits != 0, 0, false}, *scale, value))
            return "1 times the scale is outside " + std::string(kInt32Range);
        return {};
    }
    if (!scale && header.kind == 'i') {
        const int shift = 64 - 8 * header.itemBytes;
        const int64_t whole = int64_t(bits << shift) >> shift;
        if (whole >= INT32_MIN && whole <= INT32_MAX) {
            value = int32_t(whole);
            return {};
        }
    } else if (!scale && header.kind == 'u' && bits <= INT32_MAX) {
        value = int32_t(bits);
        return {};
    }
    const std::string text = DecimalText(header, bits);
    if (!scale)
        return text + " is outside " + kInt32Range;
    ExactDecimal decimal;
    switch (ParseExactDecimal(text, decimal)) {
    case NumberSyntax::NotANumber: return text + " is not a number (NaN)";
    case NumberSyntax::Infinite: return text + " is infinite";
    default: break;
    }
    if (!ScaleToInt32(decimal, *scale, value))
        return text + " times the scale is outside " + kInt32Range;
    return {};
}

std::string AtItem(const NpyHeader& header, int64_t item, const std::string& message)
{
    const auto [row, column] = RowAndColumn(header, item);
    return "row " + std::to_string(row + 1) + ", column " + std::to_string(column + 1) + ": " + message;
}

std::string DataSizeProblem(const NpyHeader& header, std::size_t bytes)
{
    const std::size_t needed = std::size_t(ItemCount(header)) * std::size_t(header.itemBytes);
    if (bytes < needed)
        return "the data ends early: " + Counted(int64_t(bytes), "byte") + " where shape " + ShapeOf(header) +
               " of " + header.TypeName() + " needs " + std::to_string(needed);
    if (bytes > needed)
        return "the file goes on for " + Counted(int64_t(bytes - needed), "byte") +
               " after the array's data (shape " + ShapeOf(header) + ")";
    return {};
}

template <typename Whole>
Whole ByteSwapped(Whole value)
{
    Whole swapped = 0;
    for (std::size_t i = 0; i < sizeof(Whole); ++i, value = Whole(value >> 8))
        swapped = Whole(swapped << 8 | (value & 0xFF));
    return swapped;
}

// Integers of one width, row after row, every column read, no scale: each
// item is its value. False at the first value outside the 32-bit range,
// which the item-by-item read then reports.
template <typename Whole>
bool ConvertIntegers(const char* data, bool swap, std::vector<int32_t>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        Whole item;
        std::memcpy(&item, data + i * sizeof(Whole), sizeof(Whole));
        if (swap)
            item = ByteSwapped(item);
        const bool inRange = std::is_signed_v<Whole> ? int64_t(item) >= INT32_MIN && int64_t(item) <= INT32_MAX
                                                     : uint64_t(item) <= uint64_t(INT32_MAX);
        if (!inRange)
            return false;
        values[i] = int32_t(item);
    }
    return true;
}

bool ConvertedAtOnce(const NpyHeader& header, const TableReadOptions& options, const std::vector<int>& columns,
                     const char* data, std::vector<int32_t>& values)
{
    bool everyColumnInOrder = columns.empty() || int64_t(columns.size()) == header.Columns();
    for (std::size_t k = 0; k < columns.size(); ++k)
        everyColumnInOrder = everyColumnInOrder && columns[k] == int(k + 1);
    if (!everyColumnInOrder || options.scale || (header.fortranOrder && header.Columns() > 1))
        return false;
    const bool swap = header.bigEndian != (std::endian::native == std::endian::big);
    switch (header.itemBytes * (header.kind == 'i' ? 1 : header.kind == 'u' ? -1 : 0)) {
    case 1: return ConvertIntegers<int8_t>(data, swap, values);
    case 2: return ConvertIntegers<int16_t>(data, swap, values);
    case 4: return ConvertIntegers<int32_t>(data, swap, values);
    case 8: return ConvertIntegers<int64_t>(data, swap, values);
    case -1: return ConvertIntegers<uint8_t>(data, swap, values);
    case -2: return ConvertIntegers<uint16_t>(data, swap, values);
    case -4: return ConvertIntegers<uint32_t>(data, swap, values);
    case -8: return ConvertIntegers<uint64_t>(data, swap, values);
    default: return false;
    }
}

// The rows of the file in place: little-endian int32 in C order (or one
// column), every column read, on a 4-byte boundary as mmap gives it.
bool ReadableInPlace(const NpyHeader& header, const TableReadOptions& options, const std::vector<int>& columns,
                     const char* data)
{
    bool everyColumnInOrder = columns.empty() || int64_t(columns.size()) == header.Columns();
    for (std::size_t k = 0; k < columns.size(); ++k)
        everyColumnInOrder = everyColumnInOrder && columns[k] == int(k + 1);
    return header.kind == 'i' && header.itemBytes == 4 && !header.bigEndian &&
           std::endian::native == std::endian::little && (!header.fortranOrder || header.Columns() == 1) &&
           !options.scale && everyColumnInOrder && reinterpret_cast<std::uintptr_t>(data) % alignof(int32_t) == 0;
}
} // namespace

NpyReader::NpyReader(TableReadOptions options) : options_(std::move(options)) {}

// Holds the header's bytes until it is whole, taking no byte of the data.
TableReadError NpyReader::TakeHeader(std::string_view& piece)
{
    while (true) {
        std::string problem;
        const std::size_t size = NpyHeaderBytes(head_, problem);
        if (!problem.empty())
            return Fault(problem);
        if (size != 0 && head_.size() == size) {
            if (std::string fault = ParseNpyHeader(head_, header_); !fault.empty())
                return Fault(fault);
            std::vector<int> columns;
            if (std::string fault = Prepare(header_, options_, columns, slotOfColumn_, dimension_); !fault.empty())
                return Fault(fault);
            headerRead_ = true;
            return {};
        }
        if (piece.empty())
            return {};
        // Up to the whole header, or else up to the field that gives its length.
        const std::size_t wanted = size != 0 ? size : head_.size() < 8 ? 8 : head_[6] == 1 ? 10 : 12;
        const std::size_t taken = std::min(piece.size(), wanted - head_.size());
        head_.append(piece.substr(0, taken));
        piece.remove_prefix(taken);
    }
}

TableReadError NpyReader::Read(std::string_view piece)
{
    if (error_)
        return error_;
    if (!headerRead_ && (error_ = TakeHeader(piece)))
        return error_;
    if (!headerRead_ || piece.empty())
        return {};
    return error_ = Consume(piece);
}

TableReadError NpyReader::Consume(std::string_view bytes)
{
    const std::size_t width = std::size_t(header_.itemBytes);
    const int64_t count = ItemCount(header_);
    if (!carry_.empty()) {
        const std::size_t taken = std::min(bytes.size(), width - carry_.size());
        carry_.append(bytes.substr(0, taken));
        bytes.remove_prefix(taken);
        if (carry_.size() < width)
            return {};
        if (TableReadError error = Place(carry_.data()))
            return error;
        carry_.clear();
    }
    for (; bytes.size() >= width && items_ < count; bytes.remove_prefix(width))
        if (TableReadError error = Place(bytes.data()))
            return error;
    if (items_ == count)
        extraBytes_ += bytes.size();  // told at the end, as a mapped file's are
    else
        carry_.assign(bytes);
    return {};
}

// Item items_ of the file into its place: row after row for C order, column
// after column (turned at the end) for Fortran order.
TableReadError NpyReader::Place(const char* item)
{
    const int64_t index = items_++;
    if (Cancelled(options_, index))
        return CancelledRead(0);
    const auto [row, column] = RowAndColumn(header_, index);
    if (!header_.fortranOrder && column == 0)
        values_.resize(values_.size() + std::size_t(dimension_));  // a row begins
    const int32_t slot = slotOfColumn_[std::size_t(column)];
    if (slot < 0)
        return {};
    int32_t value = 0;
    if (std::string message = ItemValue(header_, options_.scale, item, value); !message.empty())
        return Fault(AtItem(header_, index, message));
    if (header_.fortranOrder)
        values_.push_back(value);
    else
        values_[std::size_t(row) * std::size_t(dimension_) + std::size_t(slot)] = value;
    return {};
}

TableReadError NpyReader::Finish(Table& table)
{
    if (error_)
        return error_;
    if (!headerRead_)
        return error_ = Fault("the file ends inside its header");
    const std::size_t bytes = std::size_t(items_) * std::size_t(header_.itemBytes) + carry_.size() + extraBytes_;
    if (std::string problem = DataSizeProblem(header_, bytes); !problem.empty())
        return error_ = Fault(problem);
    if (header_.Rows() == 0)
        return error_ = Fault("no data rows");
    table = {};
    if (header_.fortranOrder) {
        // Chosen columns lie one after another in the file's column order.
        const std::size_t rows = std::size_t(header_.Rows());
        table.values.resize(rows * std::size_t(dimension_));
        std::size_t kept = 0;
        for (int32_t slot : slotOfColumn_) {
            if (slot < 0)
                continue;
            for (std::size_t r = 0; r < rows; ++r)
                table.values[r * std::size_t(dimension_) + std::size_t(slot)] = values_[kept * rows + r];
            ++kept;
        }
        values_ = {};
    } else {
        table.values = std::move(values_);
    }
    table.rows = header_.Rows();
    table.dimension = dimension_;
    return {};
}

TableReadError ReadNpyInPlace(std::string_view file, std::shared_ptr<const void> owner,
                              const TableReadOptions& options, Table& table)
{
    NpyHeader header;
    if (std::string fault = ParseNpyHeader(file, header); !fault.empty())
        return Fault(fault);
    std::vector<int> columns;
    std::vector<int32_t> slots;
    int32_t dimension = 0;
    if (std::string fault = Prepare(header, options, columns, slots, dimension); !fault.empty())
        return Fault(fault);
    const std::string_view data = file.substr(header.dataOffset);
    if (std::string problem = DataSizeProblem(header, data.size()); !problem.empty())
        return Fault(problem);
    if (header.Rows() == 0)
        return Fault("no data rows");
    table = {};
    table.rows = header.Rows();
    table.dimension = dimension;
    if (ReadableInPlace(header, options, columns, data.data())) {
        table.mapped = std::shared_ptr<const int32_t>(std::move(owner), reinterpret_cast<const int32_t*>(data.data()));
        return {};
    }
    table.values.resize(std::size_t(table.rows) * std::size_t(dimension));
    if (ConvertedAtOnce(header, options, columns, data.data(), table.values))
        return {};
    const int64_t items = ItemCount(header);
    for (int64_t item = 0; item < items; ++item) {
        if (Cancelled(options, item))
            return CancelledRead(0);
        const auto [row, column] = RowAndColumn(header, item);
        const int32_t slot = slots[std::size_t(column)];
        if (slot < 0)
            continue;
        int32_t& value = table.values[std::size_t(row) * std::size_t(dimension) + std::size_t(slot)];
        const char* at = data.data() + std::size_t(item) * std::size_t(header.itemBytes);
        if (std::string message = ItemValue(header, options.scale, at, value); !message.empty()) {
            table = {};
            return Fault(AtItem(header, item, message));
        }
    }
    return {};
}
