#include "cli/npy_header.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <climits>
#include <optional>

namespace {
constexpr std::size_t kVersionEnd = 8;  // the magic string and two version bytes

// The Python literal of the header's dict, read one token at a time. Only
// what numpy writes there is taken: strings, True, False, tuples of whole
// numbers; a list of fields (a structured type) is named as such.
class Literal {
public:
    explicit Literal(std::string_view text) : text_(text) {}

    void SkipBlanks()
    {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n'))
            ++at_;
    }
    bool Take(char c)
    {
        SkipBlanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool Peek(char c)
    {
        SkipBlanks();
        return at_ < text_.size() && text_[at_] == c;
    }
    bool AtEnd()
    {
        SkipBlanks();
        return at_ == text_.size();
    }
    std::optional<std::string> String()
    {
        SkipBlanks();
        if (at_ >= text_.size() || (text_[at_] != '\'' && text_[at_] != '"'))
            return std::nullopt;
        const char quote = text_[at_];
        const std::size_t end = text_.find(quote, at_ + 1);
        if (end == std::string_view::npos)
            return std::nullopt;
        std::string value(text_.substr(at_ + 1, end - at_ - 1));
        at_ = end + 1;
        return value;
    }
    std::optional<bool> Boolean()
    {
        SkipBlanks();
        for (const auto& [word, value] : {std::pair{std::string_view("True"), true}, {"False", false}})
            if (text_.substr(at_).starts_with(word)) {
                at_ += word.size();
                return value;
            }
        return std::nullopt;
    }
    std::optional<int64_t> Whole()
    {
        SkipBlanks();
        int64_t value = 0;
        const char* begin = text_.data() + at_;
        const auto [end, error] = std::from_chars(begin, text_.data() + text_.size(), value);
        if (error != std::errc() || end == begin || value < 0)
            return std::nullopt;
        at_ += std::size_t(end - begin);
        if (Peek('L'))
            ++at_;  // Python 2's long, in files numpy wrote long ago
        return value;
    }
    // "(n,)", "(n, d)", "()": whole numbers in parentheses.
    std::optional<std::vector<int64_t>> Tuple()
    {
        if (!Take('('))
            return std::nullopt;
        std::vector<int64_t> values;
        while (!Take(')')) {
            const std::optional<int64_t> value = Whole();
            if (!value || (!Take(',') && !Peek(')')))
                return std::nullopt;
            values.push_back(*value);
        }
        return values;
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

uint32_t LittleEndian(std::string_view bytes)
{
    uint32_t value = 0;
    for (std::size_t i = bytes.size(); i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(bytes[i]);
    return value;
}

// "<i4", "|u1", "|b1", ">f8": the element types read.
std::string ReadType(const std::string& name, NpyHeader& header)
{
    const std::string quoted = "'" + name + "'";
    if (name.size() < 3 || std::string_view("<>|=").find(name[0]) == std::string_view::npos)
        return "element type " + quoted + " is not one kvs reads; expected integers, bool or floats";
    int bytes = 0;
    const auto [end, error] = std::from_chars(name.data() + 2, name.data() + name.size(), bytes);
    const char kind = name[1];
    const bool whole = end == name.data() + name.size() && error == std::errc();
    const bool known = whole && ((kind == 'i' || kind == 'u') ? (bytes == 1 || bytes == 2 || bytes == 4 || bytes == 8)
                                 : kind == 'b'               ? bytes == 1
                                 : kind == 'f'               ? (bytes == 4 || bytes == 8)
                                                             : false);
    if (!known)
        return "element type " + quoted + " is not one kvs reads; expected integers, bool, float32 or float64";
    if (name[0] == '|' && bytes != 1)
        return "element type " + quoted + " has no byte order";
    header.kind = kind;
    header.itemBytes = bytes;
    header.bigEndian = name[0] == '>' || (name[0] == '=' && std::endian::native == std::endian::big);
    return {};
}

std::string ShapeText(const std::vector<int64_t>& shape)
{
    std::string text = "(";
    for (std::size_t i = 0; i < shape.size(); ++i)
        text += (i ? ", " : "") + std::to_string(shape[i]);
    return text + (shape.size() == 1 ? ",)" : ")");
}

std::string CheckShape(const NpyHeader& header)
{
    const std::string shape = "shape " + ShapeText(header.shape);
    if (header.shape.empty() || header.shape.size() > 2)
        return "the array has " + std::to_string(header.shape.size()) + " dimensions (" + shape +
               "); expected rows, 1 or 2 dimensions";
    if (header.Columns() == 0)
        return "the array's rows have no values (" + shape + ")";
    if (header.Columns() > INT32_MAX)
        return "the array's rows are too long (" + shape + "); at most 2147483647 values";
    if (header.Rows() > INT64_MAX / header.Columns() / header.itemBytes)
        return "the array is too large to address (" + shape + ")";
    return {};
}

// The dict: 'descr', 'fortran_order' and 'shape', each once, in any order.
std::string ReadDict(std::string_view text, NpyHeader& header)
{
    Literal literal(text);
    const std::string malformed = "malformed header dict; expected {'descr': ..., 'fortran_order': ..., 'shape': ...}";
    if (!literal.Take('{'))
        return malformed;
    bool type = false, order = false, shape = false;
    while (!literal.Take('}')) {
        const std::optional<std::string> key = literal.String();
        if (!key || !literal.Take(':'))
            return malformed;
        if (*key == "descr" && !type) {
            if (literal.Peek('['))
                return "the array has named fields (a structured type); expected one integer, bool or float type";
            const std::optional<std::string> name = literal.String();
            if (!name)
                return malformed;
            if (std::string problem = ReadType(*name, header); !problem.empty())
                return problem;
            type = true;
        } else if (*key == "fortran_order" && !order) {
            const std::optional<bool> value = literal.Boolean();
            if (!value)
                return malformed;
            header.fortranOrder = *value;
            order = true;
        } else if (*key == "shape" && !shape) {
            std::optional<std::vector<int64_t>> value = literal.Tuple();
            if (!value)
                return malformed;
            header.shape = std::move(*value);
            shape = true;
        } else {
            return malformed;
        }
        if (!literal.Take(',') && !literal.Peek('}'))
            return malformed;
    }
    if (!type || !order || !shape || !literal.AtEnd())
        return malformed;
    return CheckShape(header);
}
} // namespace

std::string NpyHeader::TypeName() const
{
    const char order = itemBytes == 1 ? '|' : bigEndian ? '>' : '<';
    return std::string{order, kind} + std::to_string(itemBytes);
}

std::size_t NpyHeaderBytes(std::string_view head, std::string& problem)
{
    const std::size_t magic = std::min(head.size(), kNpyMagic.size());
    if (head.substr(0, magic) != kNpyMagic.substr(0, magic)) {
        problem = "not a .npy file (its magic string is missing)";
        return 0;
    }
    if (head.size() < kVersionEnd)
        return 0;
    const int major = static_cast<unsigned char>(head[6]), minor = static_cast<unsigned char>(head[7]);
    if (major < 1 || major > 3 || minor != 0) {
        problem = ".npy version " + std::to_string(major) + "." + std::to_string(minor) +
                  " is not one kvs reads; expected 1.0, 2.0 or 3.0";
        return 0;
    }
    const std::size_t lengthBytes = major == 1 ? 2 : 4;
    if (head.size() < kVersionEnd + lengthBytes)
        return 0;
    const std::size_t length = LittleEndian(head.substr(kVersionEnd, lengthBytes));
    if (length > kMaxNpyHeaderBytes) {
        problem = "header of " + std::to_string(length) + " bytes, above the limit of " +
                  std::to_string(kMaxNpyHeaderBytes);
        return 0;
    }
    return kVersionEnd + lengthBytes + length;
}

std::string ParseNpyHeader(std::string_view bytes, NpyHeader& header)
{
    header = {};
    std::string problem;
    const std::size_t size = NpyHeaderBytes(bytes, problem);
    if (!problem.empty())
        return problem;
    if (size == 0 || size > bytes.size())
        return "the file ends inside its header";
    const std::size_t start = bytes[6] == 1 ? kVersionEnd + 2 : kVersionEnd + 4;
    std::string_view dict = bytes.substr(start, size - start);
    if (dict.ends_with('\n'))
        dict.remove_suffix(1);  // numpy ends the header with one
    for (const char c : dict)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return "the header holds a control character";
    header.dataOffset = size;
    return ReadDict(dict, header);
}
