// The table's rows in a k-d tree (nanoflann), with exact integer distances.
//
// The tree reads the coordinates widened to 64 bits (a query is a row of the
// table, so each fits 32 bits again), squares their distances (below 2^32)
// into 64 bits, and hands the distances around as doubles: exact when the
// table's largest key is below 2^53, which the caller makes sure of.
// (With an integer distance type nanoflann would always split on the first
// coordinate: its split tolerance rounds to zero.)
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// nanoflann writes "Failed to allocate memory." to standard error before it
// throws std::bad_alloc for a tree's storage, and a library never prints:
// its one message is taken out, and the callers catch the exception.
// nanoflann is included here alone, so every use of it is quiet.
#define fprintf(...) static_cast<void>(0)
#include <nanoflann.hpp>
#undef fprintf

#include <kvs/search.h>

#include "row_keys.h"
#include "table_range.h"
#include "wide_score.h"

namespace kvs {

// The table as nanoflann's data source. The tree's first box is the
// columns' ranges, which the search has found already: nanoflann would read
// the whole table again for it.
struct TableSource {
    const VectorTable* table;
    const ColumnRanges* ranges;
    int64_t* distances = nullptr;  // when set, counts the distances the tree computes

    size_t kdtree_get_point_count() const { return size_t(table->rows); }
    int64_t kdtree_get_pt(size_t row, size_t k) const { return table->values[row * size_t(table->dimension) + k]; }
    template <class Box>
    bool kdtree_get_bbox(Box& box) const
    {
        for (int32_t k = 0; k < ranges->dimension; ++k) {
            box[size_t(k)].low = ranges->low[k];
            box[size_t(k)].high = ranges->high[k];
        }
        return true;
    }
};

// Squared Euclidean distance in 64-bit integers.
struct ExactSquaredDistance {
    using ElementType = int64_t;
    using DistanceType = double;

    explicit ExactSquaredDistance(const TableSource& source) : source(source) {}

    DistanceType evalMetric(const int64_t* a, size_t row, size_t size) const
    {
        const int32_t* values = source.table->values + row * size;
        if (source.distances)
            ++*source.distances;
        uint64_t sum = 0;
        for (size_t k = 0; k < size; ++k)
            sum += Square<uint64_t>(int32_t(a[k]), values[k]);
        return DistanceType(sum);
    }

    template <typename U, typename V>
    DistanceType accum_dist(const U a, const V b, size_t) const
    {
        const int64_t difference = int64_t(a) - int64_t(b);
        return DistanceType(difference * difference);
    }

    const TableSource& source;
};

// Dimension is the table's when known at compile time, -1 otherwise.
template <int Dimension>
using RowTree = nanoflann::KDTreeSingleIndexAdaptor<ExactSquaredDistance, TableSource, Dimension, uint32_t>;

constexpr size_t kTreeLeafRows = 16;

// The centres of [begin, end) in the order of the tree's leaves, which keeps
// rows near each other together: order gets end - begin entries.
template <int Dimension>
void LeafOrder(const RowTree<Dimension>& tree, int64_t begin, int64_t end, int32_t* order)
{
    int64_t count = 0;
    for (uint32_t row : tree.vAcc) {
        if (row >= begin && row < end)
            order[count++] = int32_t(row);
    }
}

// The same order for any table, from a tree built for the purpose. Returns
// false when the tree's storage could not be had.
bool NeighbourOrder(const VectorTable& table, const ColumnRanges& ranges, int64_t begin, int64_t end, int32_t* order);

}  // namespace kvs
