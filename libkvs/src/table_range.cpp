#include "table_range.h"

#include <algorithm>

#include "cpu_dispatch.h"
#include "shared_work.h"

namespace kvs {

namespace {
// The ranges of the columns [first, first + count), count at most
// kRangeColumns, on the widest vectors the processor has: the minima and
// maxima of a row's stretch are a few vector instructions.
KVS_AVX2_CLONES void StretchRange(const VectorTable& table, int32_t first, int32_t count, int32_t* low,
                                  int32_t* high)
{
    // Local copies, which the compiler knows the table does not overlap.
    int32_t smallest[kRangeColumns];
    int32_t largest[kRangeColumns];
    for (int32_t k = 0; k < count; ++k)
        smallest[k] = largest[k] = table.values[first + k];
    for (int64_t row = 1; row < table.rows; ++row) {
        const int32_t* values = table.values + row * table.dimension + first;
        for (int32_t k = 0; k < count; ++k) {
            smallest[k] = values[k] < smallest[k] ? values[k] : smallest[k];
            largest[k] = values[k] > largest[k] ? values[k] : largest[k];
        }
    }
    std::copy(smallest, smallest + count, low);
    std::copy(largest, largest + count, high);
}

// The sum over the columns of square(low, high).
template <typename Square>
SearchScore SumOverColumns(const ColumnRanges& ranges, Square square)
{
    SearchScore sum = 0;
    for (int32_t k = 0; k < ranges.dimension; ++k)
        sum += square(ranges.low[k], ranges.high[k]);
    return sum;
}
}  // namespace

ColumnRanges FindColumnRanges(const VectorTable& table, int threads, int32_t* room)
{
    const int32_t d = table.dimension;
    int32_t* low = room;
    int32_t* high = room + d;
    const int64_t stretches = (int64_t(d) + kRangeColumns - 1) / kRangeColumns;
    ShareItems(stretches, threads, [&](int64_t stretch) {
        const int32_t first = int32_t(stretch * kRangeColumns);
        const int32_t count = std::min(kRangeColumns, d - first);
        StretchRange(table, first, count, low + first, high + first);
    });
    return {low, high, d};
}

SearchScore LargestKey(const ColumnRanges& ranges)
{
    return SumOverColumns(ranges, [](int32_t low, int32_t high) {
        const uint64_t spread = uint64_t(int64_t(high) - int64_t(low));
        return SearchScore(spread * spread);
    });
}

SearchScore CentredSquares(const ColumnRanges& ranges)
{
    return SumOverColumns(ranges, [](int32_t low, int32_t high) {
        const uint64_t reach = uint64_t(Reach(low, high));
        return SearchScore(reach * reach);
    });
}

int64_t LargestReach(const ColumnRanges& ranges)
{
    int64_t largest = 0;
    for (int32_t k = 0; k < ranges.dimension; ++k)
        largest = std::max(largest, Reach(ranges.low[k], ranges.high[k]));
    return largest;
}

}  // namespace kvs
