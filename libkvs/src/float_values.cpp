#include "float_values.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "blocked_keys.h"
#include "cpu_dispatch.h"
#include "shared_work.h"
#include "table_range.h"

namespace kvs {

namespace {

// A binary16 value's bits as the float that holds it, in a few branch-free
// steps that run on vector registers: normal values move their exponent
// into float's range, infinities and NaNs keep theirs at the top, and
// subnormals (and zero), below 2^10 units of 2^-24, are their integers
// scaled.
float HalfValue(uint16_t bits)
{
    const uint32_t magnitude = bits & 0x7fffu;
    const uint32_t moved = magnitude << 13;
    const uint32_t wide = magnitude >= 0x7c00u ? moved | 0x7f800000u : moved + (uint32_t(127 - 15) << 23);
    const float value = magnitude < 0x400u ? float(int32_t(magnitude)) * 0x1p-24f : std::bit_cast<float>(wide);
    return std::bit_cast<float>(std::bit_cast<uint32_t>(value) | (uint32_t(bits & 0x8000u) << 16));
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

// A value as the wider float that holds it exactly: binary16 and float as
// float, double as itself; Bits is that float's bits as a signed integer,
// whose order is the order of the magnitudes.
float Widen(uint16_t bits) { return HalfValue(bits); }
float Widen(float value) { return value; }
double Widen(double value) { return value; }
template <typename Value>
using Wide = decltype(Widen(Value()));
template <typename W>
using BitsOf = std::conditional_t<sizeof(W) == 4, int32_t, int64_t>;

}  // namespace

double FloatValue(const FloatTable& table, int64_t position)
{
    return WithValues(table, [&](auto values) { return double(Widen(values[position])); });
}

namespace {

// What a pass over some rows finds in each column, in the wide type W: the
// smallest and largest value, the least of the values' lowest set bits (a
// power of two) and the largest magnitude, as bits (an infinity's or a
// NaN's is above every finite one's).
template <typename W>
struct Part {
    using Bits = BitsOf<W>;
    explicit Part(int32_t d)
        : lows(std::size_t(d), std::numeric_limits<W>::infinity()),
          highs(std::size_t(d), -std::numeric_limits<W>::infinity()),
          lowestBits(std::size_t(d), std::numeric_limits<Bits>::max()), largest(std::size_t(d), 0)
    {
    }
    std::vector<W> lows, highs;
    std::vector<Bits> lowestBits, largest;
};

// The value of a nonzero finite magnitude's lowest set bit, as bits: the
// magnitude less itself with that bit cleared (an exact difference of two
// floats of one binade), or the magnitude itself when it is a power of
// two (no mantissa bits). Zero has none: the largest bits, which no
// minimum takes.
template <typename W>
BitsOf<W> LowestBit(BitsOf<W> magnitude)
{
    using Bits = BitsOf<W>;
    constexpr Bits kMantissa = (Bits(1) << (std::numeric_limits<W>::digits - 1)) - 1;
    const Bits cleared = magnitude & (magnitude - 1);
    const Bits step = std::bit_cast<Bits>(W(std::bit_cast<W>(magnitude) - std::bit_cast<W>(cleared)));
    const Bits bit = (magnitude & kMantissa) != 0 ? step : magnitude;
    return magnitude != 0 ? bit : std::numeric_limits<Bits>::max();
}

// One pass over rows [begin, end), into a part made for d columns: each
// row's columns in a plain loop that the compiler runs on vector registers
// (no sum across the columns).
template <typename Value>
[[gnu::always_inline]] inline void ReadRowsOf(const Value* values, int32_t d, int64_t begin, int64_t end,
                                              Part<Wide<Value>>& part)
{
    using W = Wide<Value>;
    using Bits = BitsOf<W>;
    W* lows = part.lows.data();
    W* highs = part.highs.data();
    Bits* lowestBits = part.lowestBits.data();
    Bits* largest = part.largest.data();
    for (int64_t row = begin; row < end; ++row) {
        const Value* cells = values + row * d;
        for (int32_t k = 0; k < d; ++k) {
            const W value = Widen(cells[k]);
            const Bits magnitude = std::bit_cast<Bits>(value) & std::numeric_limits<Bits>::max();
            lowestBits[k] = std::min(lowestBits[k], LowestBit<W>(magnitude));
            largest[k] = std::max(largest[k], magnitude);
            lows[k] = std::min(lows[k], value);
            highs[k] = std::max(highs[k], value);
        }
    }
}

// The pass for each format, built for AVX2 as well as the baseline
// (cpu_dispatch.h; a function with clones cannot be a template).
static KVS_AVX2_CLONES void ReadRows(const uint16_t* values, int32_t d, int64_t begin, int64_t end, Part<float>& part)
{
    ReadRowsOf(values, d, begin, end, part);
}
static KVS_AVX2_CLONES void ReadRows(const float* values, int32_t d, int64_t begin, int64_t end, Part<float>& part)
{
    ReadRowsOf(values, d, begin, end, part);
}
static KVS_AVX2_CLONES void ReadRows(const double* values, int32_t d, int64_t begin, int64_t end, Part<double>& part)
{
    ReadRowsOf(values, d, begin, end, part);
}

// Rows a piece of the set-up passes takes: tens of thousands of values or
// more, and at most 64 pieces, enough for the threads to share.
int64_t RowsPerPiece(const FloatTable& table)
{
    return std::max({int64_t(1), (int64_t(1) << 16) / table.dimension, (table.rows + 63) / 64});
}

int64_t Pieces(const FloatTable& table)
{
    const int64_t each = RowsPerPiece(table);
    return (table.rows + each - 1) / each;
}

template <typename Value>
FloatFacts ReadFacts(const FloatTable& table, const Value* values, int threads)
{
    using W = Wide<Value>;
    const int32_t d = table.dimension;
    const int64_t each = RowsPerPiece(table);
    // Made before the threads start: a thread must not allocate (an
    // exception cannot leave it).
    std::vector<Part<W>> parts(std::size_t(Pieces(table)), Part<W>(d));
    ShareItems(int64_t(parts.size()), threads, [&](int64_t piece) {
        ReadRows(values, d, piece * each, std::min(table.rows, (piece + 1) * each), parts[std::size_t(piece)]);
    });
    using Bits = BitsOf<W>;
    constexpr Bits kInfinity = std::bit_cast<Bits>(std::numeric_limits<W>::infinity());
    FloatFacts facts;
    for (std::size_t piece = 0; piece < parts.size(); ++piece) {
        const std::vector<Bits>& largest = parts[piece].largest;
        if (*std::max_element(largest.begin(), largest.end()) < kInfinity)
            continue;
        for (int64_t i = int64_t(piece) * each * d;; ++i)
            if (!std::isfinite(Widen(values[i]))) {
                facts.notFinite = i;
                return facts;
            }
    }
    Part<W> whole = std::move(parts[0]);
    for (std::size_t piece = 1; piece < parts.size(); ++piece) {
        const Part<W>& part = parts[piece];
        for (std::size_t k = 0; k < std::size_t(d); ++k) {
            whole.lows[k] = std::min(whole.lows[k], part.lows[k]);
            whole.highs[k] = std::max(whole.highs[k], part.highs[k]);
            whole.lowestBits[k] = std::min(whole.lowestBits[k], part.lowestBits[k]);
            whole.largest[k] = std::max(whole.largest[k], part.largest[k]);
        }
    }
    // Every value is a multiple of the least lowest bit, 2^low; the largest
    // magnitude is below 2^(ilogb + 1). A table of zeros has neither.
    const Bits largest = *std::max_element(whole.largest.begin(), whole.largest.end());
    if (largest != 0) {
        const Bits lowest = *std::min_element(whole.lowestBits.begin(), whole.lowestBits.end());
        facts.lowExponent = int32_t(std::ilogb(std::bit_cast<W>(lowest)));
        facts.highExponent = int32_t(std::ilogb(std::bit_cast<W>(largest))) + 1;
    }
    facts.low.assign(whole.lows.begin(), whole.lows.end());
    facts.high.assign(whole.highs.begin(), whole.highs.end());
    return facts;
}

}  // namespace

FloatFacts ReadFloatFacts(const FloatTable& table, int threads)
{
    return WithValues(table, [&](auto values) { return ReadFacts(table, values, threads); });
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

// Adding and taking away 1.5·2^52 rounds a double below 2^51 to an
// integer, ties to even, in two instructions; like every rounding to
// nearest, it keeps the order of the values.
double RoundedWhole(double scaled)
{
    const double rounder = 0x1.8p52;
    return (scaled + rounder) - rounder;
}

// How a row's values are scaled by 2^e: by one multiplication, exact where
// 2^e is a double (every e of a float32 or float16 table), else by ldexp.
struct ByFactor {
    double factor;
    double operator()(double value) const { return value * factor; }
};
struct ByLdexp {
    int32_t exponent;
    double operator()(double value) const { return std::ldexp(value, exponent); }
};

// Calls action with the scaling by 2^e.
template <typename Action>
void WithScale(int32_t exponent, Action action)
{
    if (exponent >= -1022 && exponent <= 1023)
        action(ByFactor{std::ldexp(1.0, exponent)});
    else
        action(ByLdexp{exponent});
}

// The squares of the errors are summed in this many lanes, which the
// compiler runs on vector registers; the bound on their roundings holds
// for any order of the sum.
constexpr int32_t kLanes = 8;

// The values of a row are imaged a stretch at a time, their errors kept
// in a local array of this many.
constexpr int32_t kStretch = 64;

// One row's image into out, every value of which fits 32 bits, and its
// distance from it, rounded up (0 when exact). Each loop runs on vector
// registers.
template <typename Value, typename Scale>
[[gnu::always_inline]] inline double ImageRow(const Value* cells, int32_t d, Scale scale, double underflowSlack,
                                              int32_t* out)
{
    // The sums of the squares and of the magnitudes of the errors: the
    // latter is 0 only when every error is (no nonzero term is lost).
    double squares[kLanes] = {}, magnitudes[kLanes] = {};
    for (int32_t first = 0; first < d; first += kStretch) {
        const int32_t count = std::min(kStretch, d - first);
        double errors[kStretch];
        for (int32_t k = 0; k < count; ++k) {
            const double scaled = scale(double(Widen(cells[first + k])));
            const double rounded = RoundedWhole(scaled);
            out[first + k] = int32_t(rounded);
            errors[k] = scaled - rounded;
        }
        int32_t k = 0;
        for (; k + kLanes <= count; k += kLanes)
            for (int32_t lane = 0; lane < kLanes; ++lane) {
                squares[lane] += errors[k + lane] * errors[k + lane];
                magnitudes[lane] += std::fabs(errors[k + lane]);
            }
        for (; k < count; ++k) {
            squares[0] += errors[k] * errors[k];
            magnitudes[0] += std::fabs(errors[k]);
        }
    }
    double sum = 0, inexact = 0;
    for (int32_t lane = 0; lane < kLanes; ++lane) {
        sum += squares[lane];
        inexact += magnitudes[lane];
    }
    if (inexact == 0 && underflowSlack == 0)
        return 0;
    // Each coordinate's error is exact (the value times 2^e is exact, and it
    // is within half a unit of its rounding); their sum of squares gets at
    // most d roundings, and the root one more, each covered here. A value
    // times 2^e can lose bits below 2^-1022 only where e < 0, which
    // underflowSlack covers per coordinate; squares below 2^-1022 may lose
    // all their bits: 2^-500 per coordinate covers what that takes from the
    // root.
    const double sumSlack = 1 + double(d + 2) * std::ldexp(1.0, -52);
    return std::sqrt(sum * sumSlack) * (1 + std::ldexp(1.0, -51)) + (underflowSlack + std::ldexp(1.0, -500)) * d;
}

// The image of rows [begin, end) and their errors.
template <typename Value, typename Scale>
[[gnu::always_inline]] inline void ImageRowsOf(const Value* cells, int32_t d, int64_t begin, int64_t end,
                                               Scale scale, double underflowSlack, int32_t* values,
                                               double* rowErrors)
{
    for (int64_t row = begin; row < end; ++row)
        rowErrors[row] = ImageRow(cells + row * d, d, scale, underflowSlack, values + row * d);
}

// Built for AVX2 as well as the baseline where 2^e is a double (cpu_dispatch.h;
// a function with clones cannot be a template); the rare scaling by ldexp once.
static KVS_AVX2_CLONES void ImageRows(const uint16_t* cells, int32_t d, int64_t begin, int64_t end, ByFactor scale,
                                      double underflowSlack, int32_t* values, double* rowErrors)
{
    ImageRowsOf(cells, d, begin, end, scale, underflowSlack, values, rowErrors);
}
static KVS_AVX2_CLONES void ImageRows(const float* cells, int32_t d, int64_t begin, int64_t end, ByFactor scale,
                                      double underflowSlack, int32_t* values, double* rowErrors)
{
    ImageRowsOf(cells, d, begin, end, scale, underflowSlack, values, rowErrors);
}
static KVS_AVX2_CLONES void ImageRows(const double* cells, int32_t d, int64_t begin, int64_t end, ByFactor scale,
                                      double underflowSlack, int32_t* values, double* rowErrors)
{
    ImageRowsOf(cells, d, begin, end, scale, underflowSlack, values, rowErrors);
}
template <typename Value>
void ImageRows(const Value* cells, int32_t d, int64_t begin, int64_t end, ByLdexp scale, double underflowSlack,
               int32_t* values, double* rowErrors)
{
    ImageRowsOf(cells, d, begin, end, scale, underflowSlack, values, rowErrors);
}

template <typename Value, typename Scale>
void MakeImageOf(const FloatTable& table, const Value* cells, Scale scale, double underflowSlack, int threads,
                 int32_t* values, double* rowErrors)
{
    const int32_t d = table.dimension;
    const int64_t each = RowsPerPiece(table);
    ShareItems(Pieces(table), threads, [&](int64_t piece) {
        ImageRows(cells, d, piece * each, std::min(table.rows, (piece + 1) * each), scale, underflowSlack, values,
                  rowErrors);
    });
}

}  // namespace

bool ImageFitsWords(const FloatFacts& facts, int32_t exponent)
{
    // Every value fits when the largest magnitude does: |value| · 2^e at
    // most 2^31 - 1, which rounds to no more (the scaling is exact).
    double largest = 0;
    for (std::size_t k = 0; k < facts.low.size(); ++k)
        largest = std::max({largest, -facts.low[k], facts.high[k]});
    return std::ldexp(largest, exponent) <= double(std::numeric_limits<int32_t>::max());
}

ColumnRanges ImageRanges(const FloatFacts& facts, int32_t exponent, int32_t* room)
{
    // Scaled and rounded as MakeImage scales and rounds each value.
    const int32_t d = int32_t(facts.low.size());
    WithScale(exponent, [&](auto scale) {
        for (int32_t k = 0; k < d; ++k) {
            room[k] = int32_t(RoundedWhole(scale(facts.low[std::size_t(k)])));
            room[d + k] = int32_t(RoundedWhole(scale(facts.high[std::size_t(k)])));
        }
    });
    return {room, room + d, d};
}

bool ImageFits(const FloatTable& table, const ColumnRanges& ranges)
{
    if (AimsAtWordPairs(table.rows, table.dimension))
        return LargestReach(ranges) <= LargestPairReach(table.dimension);
    return CentredSquares(ranges) <= kLargestCentredSquares;
}

void MakeImage(const FloatTable& table, int32_t exponent, int threads, int32_t* values, double* rowErrors)
{
    const double underflowSlack = exponent < 0 ? std::ldexp(1.0, -1000) : 0;
    WithValues(table, [&](auto cells) {
        WithScale(exponent, [&](auto scale) {
            MakeImageOf(table, cells, scale, underflowSlack, threads, values, rowErrors);
        });
    });
}

void RowUnits(const FloatTable& table, int64_t row, int32_t lowExponent, int64_t* units)
{
    // Scaling a value by 2^-lowExponent makes a whole number, exactly.
    const int32_t d = table.dimension;
    WithValues(table, [&](auto cells) {
        WithScale(-lowExponent, [&](auto scale) {
            for (int32_t k = 0; k < d; ++k)
                units[k] = int64_t(scale(double(Widen(cells[row * d + k]))));
        });
    });
}

}  // namespace kvs
