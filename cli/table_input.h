// A table in any of the forms kvs search reads, told apart by its first
// bytes, never by a file's name: a .npy array ("\x93NUMPY"), a .npz archive
// (a zip), or else a text table. Pieces of any size go in, as a pipe or an
// inflating stream hands them over; one table or one error comes out.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "cli/npy_reader.h"
#include "cli/npz_reader.h"
#include "cli/table_reader.h"

class TableInput {
public:
    explicit TableInput(TableReadOptions options);

    TableReadError Read(std::string_view piece);
    TableReadError Finish(Table& table);

private:
    TableReadError Choose();
    // The chosen reader's Read of piece, or its Finish when table is given.
    TableReadError Forward(std::string_view piece, Table* table);

    TableReadOptions options_;
    std::string head_;  // the first bytes, until they tell the form
    std::variant<std::monostate, TableReader, NpyReader, std::unique_ptr<NpzReader>> reader_;
    TableReadError error_;
};
