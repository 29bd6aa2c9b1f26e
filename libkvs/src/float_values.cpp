#include "float_values.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "blocked_keys.h"
#include "table_range.h"

namespace kvs {

namespace {

// A binary16 value's bits as the double that holds it.
double HalfValue(uint16_t bits)
{
    const int exponentField = (bits >> 10) & 0x1f;
    const int fraction = bits & 0x3ff;
    double magnitude;
    if (exponentField == 0x1f)
        magnitude = fraction ? std::numeric_limits<double>::quiet_NaN() : std::numeric_limits<double>::infinity();
    else if (exponentField == 0)
        magnitude = std::ldexp(double(fraction), -24);  // subnormal (or zero)
    else
        magnitude = std::ldexp(double(fraction | 0x400), exponentField - 25);
    return bits & 0x8000 ? -magnitude : magnitude;
}

// Whether the table is searched by the word pairs' keys on this processor,
// and so its image is held to their 16-bit reach; else to the doubles'.
bool AimsAtWordPairs(int64_t rows, int32_t dimension)
{
    return WordPairsAvailable() && dimension >= kFewestBlockedDimensions && rows <= kMostBlockedRows;
}

// The largest e with x · 2^e <= limit, for x > 0.
int32_t LargestExponentWithin(double x, double limit) { return int32_t(std::floor(std::log2(limit / x))); }

}  // namespace

double FloatValue(const FloatTable& table, int64_t position)
{
    switch (table.format) {
    case FloatFormat::Float16:
        return HalfValue(static_cast<const uint16_t*>(table.values)[position]);
    case FloatFormat::Float32:
        return static_cast<const float*>(table.values)[position];
    default:
        return static_cast<const double*>(table.values)[position];
    }
}

Dyadic DyadicOf(double value)
{
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    const int exponentField = int((bits >> 52) & 0x7ff);
    uint64_t mantissa = bits & ((uint64_t(1) << 52) - 1);
    int32_t exponent = -1074;
    if (exponentField != 0) {
        mantissa |= uint64_t(1) << 52;
        exponent = exponentField - 1075;
    }
    if (mantissa == 0)
        return {};
    const int zeros = std::countr_zero(mantissa);
    return {mantissa >> zeros, exponent + zeros, (bits >> 63) != 0};
}

FloatFacts ReadFloatFacts(const FloatTable& table)
{
    FloatFacts facts;
    const int32_t d = table.dimension;
    facts.low.assign(std::size_t(d), std::numeric_limits<double>::infinity());
    facts.high.assign(std::size_t(d), -std::numeric_limits<double>::infinity());
    int32_t low = std::numeric_limits<int32_t>::max();
    int32_t high = std::numeric_limits<int32_t>::min();
    for (int64_t position = 0; position < table.rows * d; ++position) {
        const double value = FloatValue(table, position);
        if (!std::isfinite(value)) {
            facts.notFinite = position;
            return facts;
        }
        const std::size_t column = std::size_t(position % d);
        facts.low[column] = std::min(facts.low[column], value);
        facts.high[column] = std::max(facts.high[column], value);
        const Dyadic dyadic = DyadicOf(value);
        if (dyadic.mantissa != 0) {
            low = std::min(low, dyadic.exponent);
            high = std::max(high, dyadic.exponent + int32_t(std::bit_width(dyadic.mantissa)));
        }
    }
    if (high >= low) {
        facts.lowExponent = low;
        facts.highExponent = high;
    }
    return facts;
}

int32_t ImageExponent(const FloatTable& table, const FloatFacts& facts)
{
    // Whole values: no finer than the lowest bit; 32 bits: |value| · 2^e < 2^31.
    const int32_t exponent = std::min(-facts.lowExponent, 31 - facts.highExponent);
    // Half of each column's spread (halved first: the spread of float64s can
    // exceed the largest double), and the root of their sum of squares.
    double largestHalf = 0;
    for (std::size_t k = 0; k < facts.low.size(); ++k)
        largestHalf = std::max(largestHalf, facts.high[k] / 2 - facts.low[k] / 2);
    if (largestHalf == 0)
        return exponent;
    if (AimsAtWordPairs(table.rows, table.dimension)) {
        // A column's reach, half its spread rounded up, at most INT16_MAX.
        return std::min(exponent, LargestExponentWithin(largestHalf, INT16_MAX - 1));
    }
    double squares = 0;
    for (std::size_t k = 0; k < facts.low.size(); ++k) {
        const double half = (facts.high[k] / 2 - facts.low[k] / 2) / largestHalf;
        squares += half * half;
    }
    // The centred squares, the sum of (reach)² over the columns, at most
    // kLargestCentredSquares, with room for each reach's rounding up.
    const double limit = std::sqrt(double(kLargestCentredSquares)) * (1 - 1e-6) - std::sqrt(double(table.dimension));
    return std::min(exponent, LargestExponentWithin(largestHalf * std::sqrt(squares), std::max(limit, 1.0)));
}

bool MakeImage(const FloatTable& table, int32_t exponent, int32_t* values, double* rowErrors)
{
    const int32_t d = table.dimension;
    // Each coordinate's error is exact (the value times 2^e is exact, and it
    // is within half a unit of its rounding); their sum of squares gets at
    // most d roundings, and the root one more, each covered here. A value
    // times 2^e can lose bits below 2^-1022 only where e < 0; a small
    // margin per coordinate covers those.
    const double sumSlack = 1 + double(d + 2) * std::ldexp(1.0, -52);
    const double underflowSlack = exponent < 0 ? std::ldexp(1.0, -1000) : 0;
    for (int64_t row = 0; row < table.rows; ++row) {
        double squares = 0;
        bool exact = true;
        for (int32_t k = 0; k < d; ++k) {
            const double scaled = std::ldexp(FloatValue(table, row * d + k), exponent);
            const double rounded = std::nearbyint(scaled);
            if (!(std::fabs(rounded) <= double(std::numeric_limits<int32_t>::max())))
                return false;
            values[row * d + k] = int32_t(rounded);
            const double error = scaled - rounded;
            squares += error * error;
            exact = exact && error == 0;
        }
        rowErrors[row] = exact && underflowSlack == 0
                             ? 0
                             : std::sqrt(squares * sumSlack) * (1 + std::ldexp(1.0, -51)) + underflowSlack * d;
    }
    return true;
}

bool ImageFits(const VectorTable& image, int32_t* rangeRoom)
{
    const ColumnRanges ranges = FindColumnRanges(image, 1, rangeRoom);
    if (AimsAtWordPairs(image.rows, image.dimension))
        return LargestReach(ranges) <= INT16_MAX;
    return CentredSquares(ranges) <= kLargestCentredSquares;
}

}  // namespace kvs
