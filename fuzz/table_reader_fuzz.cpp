// The table readers behind the gzip decoder, as kvs search reads a file that
// it does not map: text, .npy and .npz, chosen by the file's first bytes. The
// first byte chooses the reader's options and the second the size of the
// pieces the rest arrives in; the rest is the file. A .npy file is also read
// whole, in place, as a mapped file is.
//
// Whatever the bytes, the read ends in a table or in one error, and reading
// the file in pieces gives exactly what reading it in one piece gives.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/input_decoder.h"
#include "cli/npy_reader.h"
#include "cli/table_input.h"

namespace {
TableReadOptions OptionsOf(uint8_t choice)
{
    TableReadOptions options;
    options.delimiter = Delimiter(choice % 5);
    options.header = HeaderRule(choice / 5 % 3);
    if (choice & 0x40)
        options.columns = {{2, 2, ""}, {1, 1, ""}};
    if (choice & 0x80)
        options.scale = ExactDecimal{25, -1, false};  // 2.5
    return options;
}

struct Outcome {
    Table table;
    TableReadError error;
    std::string problem;  // the decoder's
};

Outcome Read(std::string_view file, std::size_t pieceSize, const TableReadOptions& options)
{
    Outcome outcome;
    TableInput reader(options);
    InputDecoder decoder([&](std::string_view text) { return !(outcome.error = reader.Read(text)); });
    bool goOn = true;
    for (std::size_t at = 0; at < file.size() && goOn; at += pieceSize)
        goOn = decoder.Write(file.substr(at, pieceSize));
    if (goOn)
        goOn = decoder.Finish();
    outcome.problem = decoder.Problem();
    if (goOn)
        outcome.error = reader.Finish(outcome.table);
    return outcome;
}

void Require(bool condition)
{
    if (!condition)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const TableReadOptions options = OptionsOf(data[0]);
    const std::size_t pieceSize = 1 + data[1] % 64;
    const std::string_view file(reinterpret_cast<const char*>(data) + 2, size - 2);

    const Outcome whole = Read(file, file.size() + 1, options);
    const Outcome pieces = Read(file, pieceSize, options);
    Require(whole.problem == pieces.problem);
    Require(whole.error.message == pieces.error.message && whole.error.line == pieces.error.line &&
            whole.error.column == pieces.error.column);
    Require(whole.table.values == pieces.table.values && whole.table.rows == pieces.table.rows &&
            whole.table.dimension == pieces.table.dimension);

    const bool failed = whole.error || !whole.problem.empty();
    Require(failed || (whole.table.rows > 0 && whole.table.dimension > 0 &&
                       whole.table.values.size() == std::size_t(whole.table.rows) * std::size_t(whole.table.dimension)));
    Require(whole.error.message.find('\n') == std::string::npos && whole.error.line >= 0 && whole.error.column >= 0);

    // A .npy file read in place gives what its stream gives.
    if (file.starts_with(kNpyMagic)) {
        Table mapped;
        const std::string copy(file);  // its own block, as a mapping would be
        const TableReadError error = ReadNpyInPlace(copy, nullptr, options, mapped);
        Require(bool(error) == bool(whole.error));
        Require(error || (mapped.rows == whole.table.rows && mapped.dimension == whole.table.dimension &&
                          std::equal(whole.table.values.begin(), whole.table.values.end(), mapped.Data())));
    }
    return 0;
}
