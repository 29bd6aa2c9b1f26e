// One zlib inflate stream with the piece its output goes to: the step that
// the gzip input and the .npz reader share. Inflated bytes come out at most a
// piece at a time, so that a reader behind can stop a bomb early and memory
// stays the same however far the data inflates.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct z_stream_s;

class InflateStream {
public:
    // windowBits as zlib's inflateInit2 takes them: 16 + MAX_WBITS for gzip
    // data, -MAX_WBITS for raw deflate as zip holds it.
    explicit InflateStream(int windowBits);
    ~InflateStream();
    InflateStream(const InflateStream&) = delete;
    InflateStream& operator=(const InflateStream&) = delete;

    // False when zlib could not set the stream up (out of memory).
    bool Valid() const { return stream_ != nullptr; }

    // Starts the next stream (a new gzip member, a new zip member).
    void Reset();

    struct Step {
        int code = 0;               // inflate's return code
        std::string_view inflated;  // the bytes it made, in the piece
        std::size_t used = 0;       // the bytes of input it took
        bool outputFull = false;    // the piece is full: call again, more may come without input
    };
    // Inflates from the front of bytes into the piece and drops what it took.
    Step Inflate(std::string_view& bytes);

    // zlib's word about bad data, or "corrupt" when it gave none.
    std::string Problem() const;

private:
    std::unique_ptr<z_stream_s> stream_;
    std::vector<char> piece_;
};
