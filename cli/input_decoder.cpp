#include "cli/input_decoder.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace {
constexpr std::size_t kPieceBytes = 64 * 1024;  // inflated text handed on at a time
constexpr std::string_view kGzipMagic = "\x1f\x8b";
} // namespace

InputDecoder::InputDecoder(Sink sink) : sink_(std::move(sink)) {}

InputDecoder::~InputDecoder()
{
    if (stream_)
        inflateEnd(stream_.get());
}

bool InputDecoder::Fail(std::string problem)
{
    problem_ = std::move(problem);
    return false;
}

// Chooses between text and gzip data from the first two bytes (or fewer, at
// the end), then passes on the bytes held while choosing.
bool InputDecoder::Decide(bool atEnd)
{
    if (!atEnd && head_.size() < kGzipMagic.size() && kGzipMagic.starts_with(head_))
        return true;
    if (head_ != kGzipMagic) {
        mode_ = Mode::Plain;
        return head_.empty() || sink_(head_);
    }
    stream_ = std::make_unique<z_stream_s>();
    if (inflateInit2(stream_.get(), 16 + MAX_WBITS) != Z_OK) {  // 16: a gzip header, not zlib's own
        stream_.reset();
        return Fail("out of memory");
    }
    mode_ = Mode::Compressed;
    piece_.resize(kPieceBytes);
    return Inflate(head_);
}

bool InputDecoder::Write(std::string_view bytes)
{
    if (mode_ == Mode::Undecided) {
        const std::size_t taken = std::min(bytes.size(), kGzipMagic.size() - head_.size());
        head_.append(bytes.substr(0, taken));
        bytes.remove_prefix(taken);
        if (!Decide(false))
            return false;
        if (mode_ == Mode::Undecided)
            return true;
    }
    if (bytes.empty())
        return true;
    switch (mode_) {
    case Mode::Plain: return sink_(bytes);
    case Mode::Compressed: return Inflate(bytes);
    default: break;
    }
    // gzip pads some files (tapes, fixed-size blocks) with zeros after the
    // data; like gzip, take them as the end. Anything else there is not.
    if (bytes.find_first_not_of('\0') != std::string_view::npos)
        return Fail("invalid compressed data (bytes after the zeros that end it)");
    return true;
}

bool InputDecoder::Inflate(std::string_view bytes)
{
    bool outputFull = false;
    while (!bytes.empty() || outputFull) {
        if (memberEnded_) {
            if (bytes.empty())
                return true;
            if (bytes[0] == '\0') {
                mode_ = Mode::Padding;
                return Write(bytes);
            }
            inflateReset(stream_.get());  // the next member of a concatenated file
            memberEnded_ = false;
        }
        const uInt given = uInt(std::min<std::size_t>(bytes.size(), UINT_MAX));
        stream_->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
        stream_->avail_in = given;
        stream_->next_out = reinterpret_cast<Bytef*>(piece_.data());
        stream_->avail_out = uInt(piece_.size());
        const int code = inflate(stream_.get(), Z_NO_FLUSH);
        bytes.remove_prefix(given - stream_->avail_in);
        // What was inflated goes on first, so that a fault in the text is
        // told before a fault found later in the data, however the data
        // came in pieces.
        const std::size_t produced = piece_.size() - stream_->avail_out;
        if (produced > 0 && !sink_(std::string_view(piece_.data(), produced)))
            return false;
        if (code == Z_MEM_ERROR)
            return Fail("out of memory");
        if (code != Z_OK && code != Z_STREAM_END && code != Z_BUF_ERROR)
            return Fail(std::string("invalid compressed data (") + (stream_->msg ? stream_->msg : "corrupt") + ")");
        outputFull = stream_->avail_out == 0;
        memberEnded_ = code == Z_STREAM_END;
        if (code == Z_BUF_ERROR && !outputFull)
            return true;  // every byte given is taken in; more must come
    }
    return true;
}

bool InputDecoder::Finish()
{
    if (mode_ == Mode::Undecided && !Decide(true))
        return false;
    if (mode_ == Mode::Compressed && !memberEnded_)
        return Fail("the compressed data ends too early");
    return true;
}
