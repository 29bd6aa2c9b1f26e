// Reads the array of a .npy file as a table: its rows are the table's rows
// (a 1-D array is one column). Integers of any width and byte order and
// bools are read as they are, when they lie in the signed 32-bit range;
// floats need a scale, as decimals in a text table do, and are read as the
// shortest decimal that gives the float back (what numpy prints, and what a
// CSV written from the array holds), times the scale, rounded exactly. C and
// Fortran order are both read. Faults come back as values naming the row and
// column, as the text reader's do.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/npy_header.h"
#include "cli/table_reader.h"

// A .npy file that comes in pieces of any size (a pipe, a member of a .npz,
// an inflating stream).
class NpyReader {
public:
    explicit NpyReader(TableReadOptions options);

    TableReadError Read(std::string_view piece);
    TableReadError Finish(Table& table);

private:
    TableReadError TakeHeader(std::string_view& piece);
    TableReadError Consume(std::string_view bytes);
    TableReadError Place(const char* item);

    TableReadOptions options_;
    std::string head_;
    bool headerRead_ = false;
    NpyHeader header_;
    std::vector<int32_t> slotOfColumn_;
    int32_t dimension_ = 0;
    std::string carry_;     // an item cut by the end of a piece
    int64_t items_ = 0;     // items read
    std::size_t extraBytes_ = 0;  // bytes after the array's data
    std::vector<int32_t> values_;  // row after row; column after column for Fortran order until the end
    TableReadError error_;
};

// A whole .npy file in memory, as a mapped file holds it; owner keeps that
// memory. An array of little-endian int32 rows in C order is the table in
// place, with nothing parsed or copied: the table then shares owner. Any
// other array is converted into the table's own values.
TableReadError ReadNpyInPlace(std::string_view file, std::shared_ptr<const void> owner,
                              const TableReadOptions& options, Table& table);
