// What the coordinates of a table allow, from each column's smallest and
// largest value, found once per search: the largest key any two rows can
// have, from which the engine picks the width of its keys, and how far the
// values reach from each column's midpoint, from which it picks how to
// compute them.
#pragma once

#include <cstdint>

#include <kvs/search.h>

#include "wide_score.h"

namespace kvs {

// The columns a range pass reads at once: the rows are read in order, a
// stretch of up to this many values from each.
constexpr int32_t kRangeColumns = 64;

// Each column's smallest and largest value.
struct ColumnRanges {
    const int32_t* low = nullptr;  // dimension values
    const int32_t* high = nullptr;
    int32_t dimension = 0;
};

// The 32-bit values of room FindColumnRanges needs: two a column.
inline uint64_t ColumnRangeValues(const VectorTable& table) { return 2 * uint64_t(table.dimension); }

// Fills room (ColumnRangeValues of it) with the range of every column in one
// pass over the table, a stretch of columns at a time, the stretches shared
// among up to `threads` threads.
ColumnRanges FindColumnRanges(const VectorTable& table, int threads, int32_t* room);

// A column's midpoint: its smallest value plus half the spread, rounded down.
inline int64_t Midpoint(int32_t low, int32_t high) { return int64_t(low) + (int64_t(high) - int64_t(low)) / 2; }
// The largest distance of a value from its column's midpoint: half the
// spread, rounded up.
inline int64_t Reach(int32_t low, int32_t high) { return int64_t(high) - Midpoint(low, high); }

// The largest possible key: the sum over the coordinates of the squared
// spread (largest minus smallest value) of each column. Exact, and always
// below 2^95 for up to 2^31 columns.
SearchScore LargestKey(const ColumnRanges& ranges);

// The sum over the coordinates of the squared reach.
SearchScore CentredSquares(const ColumnRanges& ranges);

// The largest reach of any column.
int64_t LargestReach(const ColumnRanges& ranges);

}  // namespace kvs
