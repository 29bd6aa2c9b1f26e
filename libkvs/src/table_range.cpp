#include "table_range.h"

namespace kvs {

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
