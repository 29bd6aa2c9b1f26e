// The bytes of an input as they come: handed on as they are, or inflated on
// the way when they begin as gzip data (the content decides, never the
// name). Inflated text goes on in small pieces, so that the reader behind can
// stop a gzip bomb at its first overlong line or binary byte, and memory
// stays the same however far the data inflates.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "cli/inflate_stream.h"

class InputDecoder {
public:
    // Takes each piece of text; returns false to stop the reading.
    using Sink = std::function<bool(std::string_view)>;

    explicit InputDecoder(Sink sink);
    ~InputDecoder();
    InputDecoder(const InputDecoder&) = delete;
    InputDecoder& operator=(const InputDecoder&) = delete;

    // The next bytes of the input, in pieces of any size. False when the
    // reading is to stop: the sink said so, or the compressed data is bad
    // (Problem() then says how).
    bool Write(std::string_view bytes);

    // The end of the input; false as for Write.
    bool Finish();

    // Why the compressed data cannot be read; empty when it can (or when
    // the sink stopped the reading).
    const std::string& Problem() const { return problem_; }

private:
    enum class Mode { Undecided, Plain, Compressed, Padding };

    bool Decide(bool atEnd);
    bool Inflate(std::string_view bytes);
    bool Fail(std::string problem);

    Sink sink_;
    Mode mode_ = Mode::Undecided;
    std::string head_;  // the first byte, until the second tells whether the input is gzip data
    std::optional<InflateStream> stream_;
    bool memberEnded_ = false;  // a gzip member is complete; another, or zero padding, may follow
    std::string problem_;
};
