// The similar-subset search on a table of floating-point vectors, exact for
// the values as stored.
//
// Every finite float is a dyadic rational, so the squared distances of the
// floats are exact rationals, and the search's answer is the one over them:
// the centre with the smallest exact score (the last of equal scores) and
// its subset in the decreasing-step order of its exact keys, as the integer
// search gives for an integer table (search.h).
//
// It runs as fast as the integer search. The table is searched as a
// fixed-point image, each value rounded to a multiple of 2^-e with e chosen
// for the table so that the image takes the engine's fastest exact path;
// the image's rounding moves each row by a known distance, which bounds
// what it can do to every key and every score. Every centre those bounds
// cannot rule out is scored again exactly on the floats, and the winner's
// keys are made exact wherever they can decide its subset or its order.
#pragma once

#include <cstdint>
#include <vector>

#include <kvs/export.h>
#include <kvs/search.h>

namespace kvs {

// float16 values are given as their IEEE 754 binary16 bits (uint16_t).
enum class FloatFormat { Float16 = 0, Float32 = 1, Float64 = 2 };

// n rows of d floats of one format, row after row; read only.
struct FloatTable {
    const void* values = nullptr;
    FloatFormat format = FloatFormat::Float64;
    int64_t rows = 0;
    int32_t dimension = 0;
};

struct FloatSearchRequest {
    FloatTable table;
    // The size, method, threads, centres, progress, cancel flag, allocator
    // and centre source, as for an integer table; its table is not read.
    // Progress counts the centres of the image's search; the exact scores
    // after it take a small part of the time.
    SearchRequest search;
};

// The exact value (words[0] + words[1]·2^64 + ...) · 2^exponent, the most
// significant word nonzero (no words: zero).
struct ExactNumber {
    std::vector<uint64_t> words;
    int32_t exponent = 0;
};

struct FloatSearchResult {
    SearchMethod method = SearchMethod::Auto;  // the method that searched the image
    int threads = 0;
    int64_t centre = kNoCentre;
    ExactNumber score;  // the winner's exact sum of its s smallest squared distances
    // The image was round(value · 2^scaleExponent); imageExact when that is
    // every value itself (no centre needed scoring again).
    int32_t scaleExponent = 0;
    bool imageExact = false;
    int64_t rescored = 0;  // centres scored again exactly on the floats
    // Filled with the winner's s rows when the caller hands in room for size entries.
    int64_t* subset = nullptr;
    // With NotFinite: the first NaN or infinite cell in row order.
    int64_t badRow = -1;
    int32_t badColumn = -1;
};

// Ok, BadArgument (as for SearchSimilarRows, or a null table or a format
// outside FloatFormat), NotFinite, OutOfMemory or Cancelled; on any other
// status than Ok the result holds nothing but badRow and badColumn.
// Working storage: the image and the table's layout come from the request's
// allocator; the lists of centres near the best and the exact keys, which
// are small, from the C++ runtime.
KVS_API SearchStatus SearchSimilarFloatRows(const FloatSearchRequest& request, FloatSearchResult& result);

}  // namespace kvs
