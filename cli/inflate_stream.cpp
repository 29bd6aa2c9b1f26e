#include "cli/inflate_stream.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace {
constexpr std::size_t kPieceBytes = 64 * 1024;  // inflated bytes handed on at a time
}  // namespace

InflateStream::InflateStream(int windowBits) : stream_(std::make_unique<z_stream_s>())
{
    if (inflateInit2(stream_.get(), windowBits) != Z_OK) {
        stream_.reset();
        return;
    }
    piece_.resize(kPieceBytes);
}

InflateStream::~InflateStream()
{
    if (stream_)
        inflateEnd(stream_.get());
}

void InflateStream::Reset() { inflateReset(stream_.get()); }

InflateStream::Step InflateStream::Inflate(std::string_view& bytes)
{
    const uInt given = uInt(std::min<std::size_t>(bytes.size(), UINT_MAX));
    stream_->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream_->avail_in = given;
    stream_->next_out = reinterpret_cast<Bytef*>(piece_.data());
    stream_->avail_out = uInt(piece_.size());
    Step step;
    step.code = inflate(stream_.get(), Z_NO_FLUSH);
    step.used = given - stream_->avail_in;
    bytes.remove_prefix(step.used);
    step.inflated = std::string_view(piece_.data(), piece_.size() - stream_->avail_out);
    step.outputFull = stream_->avail_out == 0;
    return step;
}

std::string InflateStream::Problem() const { return stream_->msg ? stream_->msg : "corrupt"; }
