#include "cli/npz_reader.h"

#include <zlib.h>

#include <algorithm>

namespace {
constexpr std::size_t kLocalHeaderBytes = 30;
constexpr uint16_t kEncrypted = 1, kSizesAfterData = 8;
constexpr uint16_t kStored = 0, kDeflated = 8;
constexpr uint32_t kNoSize = 0xFFFFFFFF;  // the size is in the zip64 field
constexpr std::string_view kDescriptorMagic = "PK\x07\x08";

uint64_t LittleEndian(std::string_view bytes, std::size_t at, std::size_t width)
{
    uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

constexpr std::size_t kShownNameBytes = 64;  // a longer member name is cut in messages

// A member's name as the arrays are named (without ".npy"), fit for one
// line of a message: control characters as \xHH, a long name cut.
std::string_view Stem(const std::string& member)
{
    return std::string_view(member).substr(0, member.ends_with(".npy") ? member.size() - 4 : member.size());
}

std::string ArrayName(const std::string& member)
{
    const std::string_view name = Stem(member);
    std::string shown;
    for (const char c : name.substr(0, kShownNameBytes)) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
            continue;
        }
        const char* digits = "0123456789ABCDEF";
        shown += std::string("\\x") + digits[byte >> 4] + digits[byte & 15];
    }
    return name.size() > kShownNameBytes ? shown + "..." : shown;
}

// The zip64 sizes of a member, from its local header's extra field.
void ReadZip64Sizes(std::string_view extra, uint64_t uncompressed, uint64_t& compressed, bool& zip64)
{
    for (std::size_t at = 0; at + 4 <= extra.size();) {
        const uint64_t id = LittleEndian(extra, at, 2), size = LittleEndian(extra, at + 2, 2);
        if (id == 1 && at + 4 + size <= extra.size()) {
            zip64 = true;
            std::size_t field = at + 4;
            if (uncompressed == kNoSize && field + 8 <= at + 4 + size)
                field += 8;
            if (compressed == kNoSize && field + 8 <= at + 4 + size)
                compressed = LittleEndian(extra, field, 8);
            return;
        }
        at += 4 + size;
    }
}
} // namespace

NpzReader::NpzReader(TableReadOptions options) : options_(std::move(options)), wanted_(kLocalHeaderBytes) {}

NpzReader::~NpzReader() = default;

TableReadError NpzReader::Fault(const std::string& message) const { return LineFault(0, message); }

std::string NpzReader::Names() const
{
    std::string text;
    for (std::size_t i = 0; i < skipped_.size(); ++i)
        text += (i ? ", '" : "'") + skipped_[i] + "'";
    return text;
}

TableReadError NpzReader::Read(std::string_view piece)
{
    while (!error_ && !piece.empty() && step_ != Step::Done)
        error_ = Advance(piece);
    return error_;
}

// Takes what the current step needs of bytes.
TableReadError NpzReader::Advance(std::string_view& bytes)
{
    if (step_ == Step::Data)
        return TakeData(bytes);
    // A descriptor's first four bytes tell whether it has a signature.
    const std::size_t limit = step_ == Step::Descriptor && held_.size() < 4 ? 4 : wanted_;
    const std::size_t taken = std::min(bytes.size(), limit - held_.size());
    held_.append(bytes.substr(0, taken));
    bytes.remove_prefix(taken);
    if (step_ == Step::Header && held_.size() >= 4 && !held_.starts_with(kZipMagic)) {
        if (held_.starts_with("PK\x01\x02") || held_.starts_with("PK\x05\x06") || held_.starts_with("PK\x06\x06")) {
            step_ = Step::Done;  // the central directory: no member follows
            return {};
        }
        return Fault("not a .npz file (a zip member's header is missing)");
    }
    if (step_ == Step::Descriptor && held_.size() == 4 && held_ == kDescriptorMagic)
        wanted_ += 4;  // the descriptor's optional signature
    if (held_.size() < wanted_)
        return {};
    if (step_ == Step::Header) {
        wanted_ += LittleEndian(held_, 26, 2) + LittleEndian(held_, 28, 2);
        step_ = Step::Name;
        return held_.size() < wanted_ ? TableReadError{} : StartMember();
    }
    if (step_ == Step::Name)
        return StartMember();
    return EndMember(uint32_t(LittleEndian(held_, held_.starts_with(kDescriptorMagic) ? 4 : 0, 4)));
}

// The member's header is whole: read the array in it or pass it by.
TableReadError NpzReader::StartMember()
{
    flags_ = uint16_t(LittleEndian(held_, 6, 2));
    method_ = uint16_t(LittleEndian(held_, 8, 2));
    crc_ = uint32_t(LittleEndian(held_, 14, 4));
    compressedBytes_ = LittleEndian(held_, 18, 4);
    const std::size_t nameBytes = LittleEndian(held_, 26, 2);
    name_ = held_.substr(kLocalHeaderBytes, nameBytes);
    zip64_ = false;
    ReadZip64Sizes(std::string_view(held_).substr(kLocalHeaderBytes + nameBytes), LittleEndian(held_, 22, 4),
                   compressedBytes_, zip64_);
    held_.clear();
    const std::string quoted = "'" + ArrayName(name_) + "'";
    if (array_ && options_.array.empty())
        return Fault("the file holds more than one array (" + quoted + " after '" + arrayName_ +
                     "'); choose one with --array NAME");
    if (flags_ & kEncrypted)
        return Fault("member " + quoted + " is encrypted");
    if (method_ != kStored && method_ != kDeflated)
        return Fault("member " + quoted + " is compressed with method " + std::to_string(method_) +
                     "; expected stored or deflated");
    if (method_ == kStored && (flags_ & kSizesAfterData))
        return Fault("member " + quoted + " gives its size only after its data, which a stream cannot read");
    chosen_ = !array_ && (options_.array.empty() || Stem(name_) == options_.array);
    if (chosen_) {
        arrayName_ = ArrayName(name_);
        array_.emplace(options_);
    } else {
        skipped_.push_back(ArrayName(name_));
    }
    crcSoFar_ = uint32_t(crc32(0, nullptr, 0));
    taken_ = 0;
    if (method_ == kDeflated) {
        if (!stream_) {
            stream_.emplace(-MAX_WBITS);  // raw deflate, as zip holds it
            if (!stream_->Valid()) {
                stream_.reset();
                return Fault("out of memory");
            }
        } else {
            stream_->Reset();
        }
    }
    step_ = Step::Data;
    if (method_ == kStored && compressedBytes_ == 0)
        return EndMember(crc_);
    return {};
}

// The member's inflated bytes: to the array's reader, or passed by.
TableReadError NpzReader::Pass(std::string_view inflated)
{
    if (!chosen_ || inflated.empty())
        return {};
    crcSoFar_ = uint32_t(crc32(crcSoFar_, reinterpret_cast<const Bytef*>(inflated.data()), uInt(inflated.size())));
    TableReadError error = array_->Read(inflated);
    if (error && !error.cancelled)
        error.message = "array '" + arrayName_ + "': " + error.message;
    return error;
}

TableReadError NpzReader::TakeData(std::string_view& bytes)
{
    if (method_ == kStored) {
        const std::size_t taken = std::size_t(std::min<uint64_t>(bytes.size(), compressedBytes_ - taken_));
        taken_ += taken;
        const std::string_view data = bytes.substr(0, taken);
        bytes.remove_prefix(taken);
        if (TableReadError error = Pass(data))
            return error;
        return taken_ == compressedBytes_ ? EndMember(crc_) : TableReadError{};
    }
    bool outputFull = false;
    while (!bytes.empty() || outputFull) {
        const InflateStream::Step step = stream_->Inflate(bytes);
        taken_ += step.used;
        if (TableReadError error = Pass(step.inflated))
            return error;
        if (step.code == Z_MEM_ERROR)
            return Fault("out of memory");
        if (step.code != Z_OK && step.code != Z_STREAM_END && step.code != Z_BUF_ERROR)
            return Fault("member '" + ArrayName(name_) + "': invalid compressed data (" + stream_->Problem() + ")");
        if (step.code == Z_STREAM_END) {
            if (!(flags_ & kSizesAfterData) && taken_ != compressedBytes_)
                return Fault("member '" + ArrayName(name_) + "': its compressed size does not match its data");
            return EndMember(crc_);
        }
        outputFull = step.outputFull;
    }
    return {};
}

// The member's data has ended (its descriptor, when it has one, is read
// first): check the array's CRC-32 and go on to the next header.
TableReadError NpzReader::EndMember(uint32_t crc)
{
    if (step_ == Step::Data && (flags_ & kSizesAfterData)) {
        step_ = Step::Descriptor;
        wanted_ = zip64_ ? 20 : 12;
        return {};
    }
    held_.clear();
    if (chosen_ && crcSoFar_ != crc)
        return Fault("array '" + arrayName_ + "' is corrupt (its CRC-32 does not match its data)");
    arrayDone_ = arrayDone_ || chosen_;
    chosen_ = false;
    // A named array read is the end; the only array is so once no other follows.
    step_ = arrayDone_ && !options_.array.empty() ? Step::Done : Step::Header;
    wanted_ = kLocalHeaderBytes;
    return {};
}

TableReadError NpzReader::Finish(Table& table)
{
    if (error_)
        return error_;
    if (step_ != Step::Done && !(step_ == Step::Header && held_.empty()))
        return error_ = Fault("the file ends inside " +
                              (chosen_ ? "array '" + arrayName_ + "'" : std::string("a zip member")));
    if (!array_)
        return error_ = Fault(options_.array.empty()    ? "the file holds no arrays"
                              : skipped_.empty()        ? "the file has no array '" + options_.array + "'"
                                                        : "the file has no array '" + options_.array +
                                                       "'; it holds " + Names());
    error_ = array_->Finish(table);
    if (error_ && !error_.cancelled)
        error_.message = "array '" + arrayName_ + "': " + error_.message;
    return error_;
}
