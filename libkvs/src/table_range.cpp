#include "table_range.h"

namespace kvs {

namespace {
// The sum over the columns of square(spread), spread being each column's
// largest minus smallest value.
template <typename Square>
SearchScore SumOverSpreads(const VectorTable& table, Square square)
{
    SearchScore sum = 0;
    for (int32_t k = 0; k < table.dimension; ++k) {
        int32_t low = table.values[k];
        int32_t high = low;
        for (int64_t row = 1; row < table.rows; ++row) {
            const int32_t value = table.values[row * table.dimension + k];
            low = value < low ? value : low;
            high = value > high ? value : high;
        }
        sum += square(uint64_t(int64_t(high) - int64_t(low)));
    }
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
