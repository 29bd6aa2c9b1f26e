#include "table_values.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <type_traits>
#include <utility>

namespace kvs_python {

namespace {

const char* kInt32Range = "the signed 32-bit range (-2147483648 to 2147483647)";
const char* kScaleHint = "pass scale=K to read every value as round(value * K)";
constexpr ExactDecimal kOne = {1, 0, false};

struct Cell {
    int64_t row = 0;
    std::size_t column = 0;
};

// "row 3, column 1" with the caller's names for the columns.
std::string CellName(const Cell& cell, const std::vector<std::string>& columnNames)
{
    const std::string column =
        cell.column < columnNames.size() ? columnNames[cell.column] : std::to_string(cell.column);
    return "row " + std::to_string(cell.row) + ", column " + column;
}

[[noreturn]] void ThrowForCell(const Cell& cell, const std::vector<std::string>& columnNames, std::string_view text,
                               const std::string& complaint, bool wantsScale)
{
    const std::string message = CellName(cell, columnNames) + ": " + std::string(text) + complaint;
    if (wantsScale)
        throw py::type_error(message);
    throw py::value_error(message);
}

// Why text is no value of the table, or nothing when value holds it; the
// words of kvs search. wantsScale tells a decimal given without a scale.
std::string ReadValueText(std::string_view text, const std::optional<ExactDecimal>& scale, int32_t& value,
                          bool& wantsScale)
{
    ExactDecimal decimal;
    switch (ParseExactDecimal(text, decimal)) {
    case NumberSyntax::Integer:
        if (!scale)
            return ScaleToInt32(decimal, kOne, value) ? "" : std::string(" is outside ") + kInt32Range;
        break;
    case NumberSyntax::Decimal:
        if (!scale) {
            wantsScale = true;
            return std::string(" is not an integer; ") + kScaleHint;
        }
        break;
    case NumberSyntax::NotANumber: return " is not a number (NaN)";
    case NumberSyntax::Infinite: return " is infinite";
    case NumberSyntax::TooPrecise:
        return " has more than " + std::to_string(kMaxSignificantDigits) +
               " significant digits, too many to read exactly";
    case NumberSyntax::Invalid: return " is not a number";
    }
    if (!ScaleToInt32(decimal, *scale, value))
        return std::string(" times the scale is outside ") + kInt32Range;
    return {};
}

void ReadText(std::string_view text, const Cell& cell, const std::optional<ExactDecimal>& scale,
              const std::vector<std::string>& columnNames, int32_t& value)
{
    bool wantsScale = false;
    const std::string complaint = ReadValueText(text, scale, value, wantsScale);
    if (!complaint.empty())
        ThrowForCell(cell, columnNames, text, complaint, wantsScale);
}

template <typename Integer>
void ReadInteger(Integer v, const Cell& cell, const std::optional<ExactDecimal>& scale,
                 const std::vector<std::string>& columnNames, int32_t& value)
{
    if (!scale && std::in_range<int32_t>(v)) {
        value = int32_t(v);
        return;
    }
    bool negative = false;
    uint64_t magnitude = uint64_t(v);
    if constexpr (std::is_signed_v<Integer>) {
        negative = v < 0;
        if (negative)
            magnitude = uint64_t(-(int64_t(v) + 1)) + 1;  // also the most negative value's, without overflow
    }
    if (ScaleToInt32({magnitude, 0, negative}, scale ? *scale : kOne, value))
        return;
    ThrowForCell(cell, columnNames, std::to_string(v),
                 std::string(scale ? " times the scale is outside " : " is outside ") + kInt32Range, false);
}

// A float's shortest round-trip digits, as Python's repr writes them.
template <typename Float>
void ReadFloat(Float v, const Cell& cell, const std::optional<ExactDecimal>& scale,
               const std::vector<std::string>& columnNames, int32_t& value)
{
    char digits[64];
    const std::string_view text =
        std::isnan(v) ? std::string_view("nan")
                      : std::string_view(digits, std::size_t(std::to_chars(digits, digits + sizeof digits, v).ptr - digits));
    ReadText(text, cell, scale, columnNames, value);
}

template <typename T>
py::array_t<int32_t> Convert(const py::array& values, const std::optional<ExactDecimal>& scale,
                             const std::vector<std::string>& columnNames)
{
    const auto in = values.unchecked<T, 2>();
    py::array_t<int32_t> table({in.shape(0), in.shape(1)});
    int32_t* out = table.mutable_data();
    for (py::ssize_t row = 0; row < in.shape(0); ++row)
        for (py::ssize_t column = 0; column < in.shape(1); ++column) {
            const Cell cell{row, std::size_t(column)};
            if constexpr (std::is_floating_point_v<T>)
                ReadFloat(in(row, column), cell, scale, columnNames, *out++);
            else
                ReadInteger(in(row, column), cell, scale, columnNames, *out++);
        }
    return table;
}

// Converted as the first of Types whose values the dtype holds, if any.
template <typename T, typename... Types>
std::optional<py::array_t<int32_t>> ConvertAs(char kind, std::size_t size, const py::array& values,
                                              const std::optional<ExactDecimal>& scale,
                                              const std::vector<std::string>& columnNames)
{
    const char typeKind = std::is_floating_point_v<T> ? 'f' : std::is_signed_v<T> ? 'i' : 'u';
    if (kind == typeKind && size == sizeof(T))
        return Convert<T>(values, scale, columnNames);
    if constexpr (sizeof...(Types) > 0)
        return ConvertAs<Types...>(kind, size, values, scale, columnNames);
    return std::nullopt;
}

}  // namespace

ExactDecimal ParseScale(const std::string& text)
{
    ExactDecimal scale;
    const NumberSyntax syntax = ParseExactDecimal(text, scale);
    if ((syntax != NumberSyntax::Integer && syntax != NumberSyntax::Decimal) || scale.negative || scale.mantissa == 0)
        throw py::value_error("scale " + text + ": expected a number above 0");
    return scale;
}

int64_t SizeFromFraction(const std::string& text, int64_t rows)
{
    ExactDecimal fraction;
    const NumberSyntax syntax = ParseExactDecimal(text, fraction);
    int64_t size = 0;
    if ((syntax != NumberSyntax::Integer && syntax != NumberSyntax::Decimal) || fraction.mantissa == 0 ||
        !CeilingOfProduct(fraction, rows, size) || size > rows)
        throw py::value_error("fraction " + text + ": expected a fraction above 0 and at most 1");
    return size;
}

py::array_t<int32_t> Int32Table(const py::array& values, const std::optional<ExactDecimal>& scale,
                                const std::vector<std::string>& columnNames)
{
    const py::dtype type = values.dtype();
    const std::string name = type.attr("name").cast<std::string>();
    // A long double needs up to 21 significant digits, more than exact decimals hold.
    if (type.kind() == 'f' && std::size_t(type.itemsize()) > sizeof(double))
        throw py::type_error("data holds " + name + " (long double) values, which are not read; "
                             "convert them with data.astype(numpy.float64) or to decimal strings");
    if (type.kind() == 'f' && !scale)
        throw py::type_error("data holds floating-point values (" + name + "); " + kScaleHint);
    const char kind = type.kind() == 'b' ? 'u' : type.kind();  // booleans are the integers 0 and 1
    if (auto table = ConvertAs<int8_t, int16_t, int32_t, int64_t, uint8_t, uint16_t, uint32_t, uint64_t, float,
                               double>(kind, std::size_t(type.itemsize()), values, scale, columnNames))
        return *table;
    throw py::type_error("data holds " + name + " values; expected integers or real numbers");
}

py::array_t<int32_t> Int32TableFromText(const std::vector<std::string>& cells, int64_t rows,
                                        const std::optional<ExactDecimal>& scale,
                                        const std::vector<std::string>& columnNames)
{
    const int64_t columns = rows > 0 ? int64_t(cells.size()) / rows : 0;
    py::array_t<int32_t> table({rows, columns});
    int32_t* out = table.mutable_data();
    for (int64_t i = 0; i < int64_t(cells.size()); ++i)
        ReadText(cells[std::size_t(i)], {i / columns, std::size_t(i % columns)}, scale, columnNames, out[i]);
    return table;
}

}  // namespace kvs_python
