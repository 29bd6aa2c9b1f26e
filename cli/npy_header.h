// The header of a .npy file (numpy's own format, versions 1.0 to 3.0): the
// magic string, the version, and a Python dict literal that gives the
// element type, the order and the shape of one array. A pure parser: bytes
// in, the array's description or the reason it cannot be read out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr std::string_view kNpyMagic = "\x93NUMPY";

// The longest header read (numpy itself reads at most 10,000 bytes unless
// told otherwise); a longer one is refused rather than held.
constexpr std::size_t kMaxNpyHeaderBytes = 65536;

struct NpyHeader {
    char kind = 'i';         // 'i' signed, 'u' unsigned, 'b' bool, 'f' float
    int itemBytes = 4;       // 1, 2, 4 or 8
    bool bigEndian = false;  // the byte order of items wider than a byte
    bool fortranOrder = false;
    std::vector<int64_t> shape;
    std::size_t dataOffset = 0;  // where the array's bytes begin in the file

    // A 1-D array is a column: its items are the rows.
    int64_t Rows() const { return shape.empty() ? 0 : shape[0]; }
    int64_t Columns() const { return shape.size() == 2 ? shape[1] : 1; }
    // numpy's name of the element type, as "<i4".
    std::string TypeName() const;
};

// How many bytes the header takes, from its first bytes: 0 while too few
// have come to tell. problem says why the bytes are not a .npy header.
std::size_t NpyHeaderBytes(std::string_view head, std::string& problem);

// The whole header (NpyHeaderBytes of it); an empty string when it
// describes an array kvs reads, else the one line that says what is wrong.
std::string ParseNpyHeader(std::string_view bytes, NpyHeader& header);
