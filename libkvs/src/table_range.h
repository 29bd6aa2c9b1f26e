// What the coordinates of a table allow: the largest key any two rows can
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

// Each column's smallest and largest value over the columns
// [first, first + count), count at most kRangeColumns.
void StretchRange(const VectorTable& table, int32_t first, int32_t count, int32_t* low, int32_t* high);

// Calls visit(first, count, low, high) for each stretch of columns
// [first, first + count), with each column's smallest and largest value,
// reading the table row after row.
template <typename Visit>
void ForEachColumnRange(const VectorTable& table, Visit visit)
{
    int32_t low[kRangeColumns];
    int32_t high[kRangeColumns];
    for (int32_t first = 0; first < table.dimension; first += kRangeColumns) {
        const int32_t count = table.dimension - first < kRangeColumns ? table.dimension - first : kRangeColumns;
        StretchRange(table, first, count, low, high);
        visit(first, count, low, high);
    }
}

// The largest possible key: the sum over the coordinates of the squared
// spread (largest minus smallest value) of each column. Exact, and always
// below 2^95 for up to 2^31 columns.
SearchScore LargestKey(const VectorTable& table);

// The sum over the coordinates of the squared largest distance of a value
// from its column's midpoint (the smallest value plus half the spread,
// rounded down): half the spread rounded up.
SearchScore CentredSquares(const VectorTable& table);

}  // namespace kvs
