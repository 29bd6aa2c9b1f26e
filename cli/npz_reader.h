// Reads one array of a .npz file (a zip of .npy files, as numpy's savez and
// savez_compressed write it) as a table, in pieces of any size: the members
// are taken in the order their local headers come, so that no seek is
// needed and a pipe serves as well as a file. Stored and deflated members
// are read; the array's CRC-32 is checked.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/inflate_stream.h"
#include "cli/npy_reader.h"
#include "cli/table_reader.h"

constexpr std::string_view kZipMagic = "PK\x03\x04";

class NpzReader {
public:
    // The array is options.array, or the file's only one when that is empty.
    explicit NpzReader(TableReadOptions options);
    ~NpzReader();
    NpzReader(const NpzReader&) = delete;
    NpzReader& operator=(const NpzReader&) = delete;

    TableReadError Read(std::string_view piece);
    TableReadError Finish(Table& table);

private:
    enum class Step { Header, Name, Data, Descriptor, Done };

    TableReadError Advance(std::string_view& bytes);
    TableReadError StartMember();
    TableReadError TakeData(std::string_view& bytes);
    TableReadError Pass(std::string_view inflated);
    TableReadError EndMember(uint32_t crc);
    TableReadError Fault(const std::string& message) const;
    std::string Names() const;

    TableReadOptions options_;
    Step step_ = Step::Header;
    std::string held_;  // a header or descriptor until it is whole
    std::size_t wanted_;  // the bytes the step holds when whole

    // The member being read.
    uint16_t flags_ = 0, method_ = 0;
    uint32_t crc_ = 0;
    uint64_t compressedBytes_ = 0;
    uint64_t taken_ = 0;  // its compressed bytes so far
    bool zip64_ = false;
    std::string name_;
    bool chosen_ = false;
    uint32_t crcSoFar_ = 0;
    std::optional<InflateStream> stream_;

    std::vector<std::string> skipped_;  // the arrays passed by
    std::optional<NpyReader> array_;
    std::string arrayName_;
    bool arrayDone_ = false;
    TableReadError error_;
};
