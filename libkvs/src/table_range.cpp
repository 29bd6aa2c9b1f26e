#include "table_range.h"

#include <algorithm>

#include "cpu_dispatch.h"

namespace kvs {

// On the widest vectors the processor has: the minima and maxima of a row's
// stretch are a few vector instructions.
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

namespace {
// The sum over the columns of square(spread), spread being each column's
// largest minus smallest value.
template <typename Square>
SearchScore SumOverSpreads(const VectorTable& table, Square square)
{
    SearchScore sum = 0;
    ForEachColumnRange(table, [&](int32_t, int32_t count, const int32_t* low, const int32_t* high) {
        for (int32_t k = 0; k < count; ++k)
            sum += square(uint64_t(int64_t(high[k]) - int64_t(low[k])));
    });
    return sum;
}
}  // namespace

SearchScore LargestKey(const VectorTable& table)
{
    return SumOverSpreads(table, [](uint64_t spread) { return SearchScore(spread * spread); });
}

SearchScore CentredSquares(const VectorTable& table)
{
    return SumOverSpreads(table, [](uint64_t spread) {
        const uint64_t reach = spread - spread / 2;
        return SearchScore(reach * reach);
    });
}

}  // namespace kvs
