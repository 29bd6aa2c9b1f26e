#include "cli/input_decoder.h"

#include <zlib.h>

#include <algorithm>

namespace {
constexpr std::string_view kGzipMagic = "\x1f\x8b";
} // namespace

InputDecoder::InputDecoder(Sink sink) : sink_(std::move(sink)) {}

InputDecoder::~InputDecoder() = default;

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
    stream_.emplace(16 + MAX_WBITS);  // 16: a gzip header, not zlib's own
    if (!stream_->Valid())
        return Fail("out of memory");
    mode_ = Mode::Compressed;
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
            stream_->Reset();  // the next member of a concatenated file
            memberEnded_ = false;
        }
        const InflateStream::Step step = stream_->Inflate(bytes);
        // What was inflated goes on first, so that a fault in the text is
        // told before a fault found later in the data, however the data
        // came in pieces.
        if (!step.inflated.empty() && !sink_(step.inflated))
            return false;
        if (step.code == Z_MEM_ERROR)
            return Fail("out of memory");
        if (step.code != Z_OK && step.code != Z_STREAM_END && step.code != Z_BUF_ERROR)
            return Fail("invalid compressed data (" + stream_->Problem() + ")");
        outputFull = step.outputFull;
        memberEnded_ = step.code == Z_STREAM_END;
        if (step.code == Z_BUF_ERROR && !outputFull)
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
