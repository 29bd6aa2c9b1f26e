#include "float_values.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

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

// The reach the image's columns are held to for the word pairs: the pairs
// are summed in 32-bit lanes in groups of kLargestLaneSum / (2·reach²), and
// the keys come fastest when a group holds 32 pairs or all of them.
constexpr int32_t kFastGroupPairs = 32;
int64_t LargestPairReach(int32_t dimension)
{
    const int64_t group = std::min<int64_t>(kFastGroupPairs, (int64_t(dimension) + 1) / 2);
    return std::min<int64_t>(INT16_MAX, int64_t(std::sqrt(double(kLargestLaneSum) / double(2 * group))));
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

namespace {

// Calls action with a typed pointer to the values: uint16_t (binary16 bits), float or double.
template <typename Action>
auto WithValues(const FloatTable& table, Action action)
{
    switch (table.format) {
    case FloatFormat::Float16:
        return action(static_cast<const uint16_t*>(table.values));
    case FloatFormat::Float32:
        return action(static_cast<const float*>(table.values));
    default:
        return action(static_cast<const double*>(table.values));
    }
}

double AsDouble(uint16_t bits) { return HalfValue(bits); }
double AsDouble(float value) { return value; }
double AsDouble(double value) { return value; }

// A format's bits: the exponent field above the mantissa's, and the
// exponent of a unit in the last place for each field.
template <typename Value>
struct Layout;
template <>
struct Layout<uint16_t> {
    using Bits = uint16_t;
    static constexpr int kMantissaBits = 10, kFields = 32, kBias = 15;
};
template <>
struct Layout<float> {
    using Bits = uint32_t;
    static constexpr int kMantissaBits = 23, kFields = 256, kBias = 127;
};
template <>
struct Layout<double> {
    using Bits = uint64_t;
    static constexpr int kMantissaBits = 52, kFields = 2048, kBias = 1023;
};

template <typename Value>
FloatFacts ReadFacts(const FloatTable& table, const Value* values)
{
    using L = Layout<Value>;
    using Bits = typename L::Bits;
    const int64_t count = table.rows * table.dimension;
    // The mantissas (with the leading bit of normal numbers) of all values
    // of each exponent field, or-ed together: the lowest bit set among them
    // is the lowest of any of them, the highest the highest. The last field
    // is NaN's and infinity's.
    std::vector<uint64_t> fields(std::size_t(L::kFields), 0);
    const Bits mantissaMask = Bits((Bits(1) << L::kMantissaBits) - 1);
    for (int64_t i = 0; i < count; ++i) {
        const Bits bits = std::bit_cast<Bits>(values[i]);
        const int field = int(bits >> L::kMantissaBits) & (L::kFields - 1);
        fields[std::size_t(field)] |= (bits & mantissaMask) | (field != 0 ? uint64_t(mantissaMask) + 1 : 0);
    }
    FloatFacts facts;
    if (fields.back() != 0) {
        for (int64_t i = 0;; ++i)
            if (!std::isfinite(AsDouble(values[i]))) {
                facts.notFinite = i;
                return facts;
            }
    }
    int32_t low = std::numeric_limits<int32_t>::max();
    int32_t high = std::numeric_limits<int32_t>::min();
    for (int field = 0; field + 1 < L::kFields; ++field) {
        const uint64_t mantissas = fields[std::size_t(field)];
        if (mantissas == 0)
            continue;
        const int32_t unit = std::max(field, 1) - L::kBias - L::kMantissaBits;
        low = std::min(low, unit + int32_t(std::countr_zero(mantissas)));
        high = std::max(high, unit + int32_t(std::bit_width(mantissas)));
    }
    if (high >= low) {
        facts.lowExponent = low;
        facts.highExponent = high;
    }
    // Each column's smallest and largest value, in the values' own type
    // (which the compiler runs on vector registers), then as doubles.
    const int32_t d = table.dimension;
    if constexpr (std::is_same_v<Value, uint16_t>) {
        facts.low.assign(std::size_t(d), std::numeric_limits<double>::infinity());
        facts.high.assign(std::size_t(d), -std::numeric_limits<double>::infinity());
        for (int64_t i = 0; i < count; ++i) {
            const std::size_t k = std::size_t(i % d);
            facts.low[k] = std::min(facts.low[k], HalfValue(values[i]));
            facts.high[k] = std::max(facts.high[k], HalfValue(values[i]));
        }
    } else {
        std::vector<Value> lows(values, values + d), highs(values, values + d);
        for (int64_t row = 1; row < table.rows; ++row) {
            const Value* cells = values + row * d;
            for (int32_t k = 0; k < d; ++k) {
                lows[std::size_t(k)] = std::min(lows[std::size_t(k)], cells[k]);
                highs[std::size_t(k)] = std::max(highs[std::size_t(k)], cells[k]);
            }
        }
        facts.low.assign(lows.begin(), lows.end());
        facts.high.assign(highs.begin(), highs.end());
    }
    return facts;
}

}  // namespace

FloatFacts ReadFloatFacts(const FloatTable& table)
{
    return WithValues(table, [&](auto values) { return ReadFacts(table, values); });
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
        // A column's reach is half its spread, rounded up.
        return std::min(exponent, LargestExponentWithin(largestHalf, double(LargestPairReach(table.dimension) - 1)));
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

namespace {

template <typename Value>
bool MakeImageOf(const FloatTable& table, const Value* cells, int32_t exponent, int32_t* values, double* rowErrors)
{
    const int32_t d = table.dimension;
    // Each coordinate's error is exact (the value times 2^e is exact, and it
    // is within half a unit of its rounding); their sum of squares gets at
    // most d roundings, and the root one more, each covered here. A value
    // times 2^e can lose bits below 2^-1022 only where e < 0; a small
    // margin per coordinate covers those. 2^e itself is a double for every
    // e of a float32 or float16 table; others scale with ldexp.
    const double sumSlack = 1 + double(d + 2) * std::ldexp(1.0, -52);
    const double underflowSlack = exponent < 0 ? std::ldexp(1.0, -1000) : 0;
    const bool multiplies = exponent >= -1022 && exponent <= 1023;
    const double factor = multiplies ? std::ldexp(1.0, exponent) : 0;
    // Adding and taking away 1.5·2^52 rounds a double below 2^51 to an
    // integer, ties to even, in two instructions.
    const double rounder = 0x1.8p52;
    const double largest = double(std::numeric_limits<int32_t>::max());
    for (int64_t row = 0; row < table.rows; ++row) {
        double squares = 0;
        double largestError = 0;
        bool fits = true;
        for (int32_t k = 0; k < d; ++k) {
            const double value = AsDouble(cells[row * d + k]);
            const double scaled = multiplies ? value * factor : std::ldexp(value, exponent);
            fits = fits && std::fabs(scaled) <= largest;
            const double rounded = (scaled + rounder) - rounder;
            values[row * d + k] = fits ? int32_t(rounded) : 0;
            const double error = scaled - rounded;
            squares += error * error;
            largestError = std::max(largestError, std::fabs(error));
        }
        if (!fits)
            return false;
        // Squares below 2^-1022 may lose all their bits: 2^-500 per
        // coordinate covers what that takes from the root.
        rowErrors[row] = largestError == 0 && underflowSlack == 0
                             ? 0
                             : std::sqrt(squares * sumSlack) * (1 + std::ldexp(1.0, -51)) +
                                   (underflowSlack + std::ldexp(1.0, -500)) * d;
    }
    return true;
}

}  // namespace

bool MakeImage(const FloatTable& table, int32_t exponent, int32_t* values, double* rowErrors)
{
    return WithValues(table, [&](auto cells) { return MakeImageOf(table, cells, exponent, values, rowErrors); });
}

bool ImageFits(const VectorTable& image, int32_t* rangeRoom, SearchScore& largestKey)
{
    const ColumnRanges ranges = FindColumnRanges(image, 1, rangeRoom);
    largestKey = LargestKey(ranges);
    if (AimsAtWordPairs(image.rows, image.dimension))
        return LargestReach(ranges) <= LargestPairReach(image.dimension);
    return CentredSquares(ranges) <= kLargestCentredSquares;
}

}  // namespace kvs
