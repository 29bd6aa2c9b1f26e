// The values of a float table, read exactly: each as the double that holds
// it (every float16 and float32 is one), and a finite double as an odd
// integer times a power of two. What one pass over the table finds decides
// the integers that hold every value exactly and the fixed-point image
// that the engine searches in its place.
#pragma once

#include <cstdint>
#include <vector>

#include <kvs/float_search.h>

#include "table_range.h"

namespace kvs {

// The value at a position (row · d + column), exactly.
double FloatValue(const FloatTable& table, int64_t position);

// A row's values as integers in units of 2^lowExponent (FloatFacts), into
// units (d values). Each must be below 2^63 units in magnitude.
void RowUnits(const FloatTable& table, int64_t row, int32_t lowExponent, int64_t* units);

// A finite double as ±mantissa · 2^exponent, the mantissa odd, or 0 (either zero).
struct Dyadic {
    uint64_t mantissa = 0;
    int32_t exponent = 0;
    bool negative = false;
};
Dyadic DyadicOf(double value);

// What a pass over the table finds.
struct FloatFacts {
    int64_t notFinite = -1;  // the position of the first NaN or infinity, if any
    // Every value is an integer multiple of 2^lowExponent, and below
    // 2^highExponent in magnitude (both 0 for a table of zeros).
    int32_t lowExponent = 0;
    int32_t highExponent = 0;
    std::vector<double> low, high;  // each column's smallest and largest value
};
// Stops at the first value that is not finite. The passes over the table
// (here and in MakeImage) are shared among up to `threads` threads.
FloatFacts ReadFloatFacts(const FloatTable& table, int threads);

// The exponent e of the image round(value · 2^e) to search: the largest at
// which every image value fits 32 bits and the spreads of the columns stay
// within what the engine's fastest exact path for the table's shape takes,
// but no larger than makes every value whole. The image's rounding may
// still need a smaller one (ImageFits).
int32_t ImageExponent(const FloatTable& table, const FloatFacts& facts);

// Whether every value of the image at exponent e fits 32 bits.
bool ImageFitsWords(const FloatFacts& facts, int32_t exponent);

// The image's column ranges at exponent e, into room (2·d values), without
// a pass over the table: rounding keeps the order of the values, so each
// column's smallest and largest image value are those of its smallest and
// largest value. The image must fit 32 bits (ImageFitsWords).
ColumnRanges ImageRanges(const FloatFacts& facts, int32_t exponent, int32_t* room);

// Whether an image of the table with these column ranges is within the fast
// path ImageExponent aims at.
bool ImageFits(const FloatTable& table, const ColumnRanges& ranges);

// The image at exponent e into values (n·d), and each row's distance from
// its image in units of 2^-e, rounded up, into rowErrors (n); 0 for a row
// the image holds exactly. The image must fit 32 bits (ImageFitsWords).
void MakeImage(const FloatTable& table, int32_t exponent, int threads, int32_t* values, double* rowErrors);

}  // namespace kvs
