#include "table_range.h"

namespace kvs {

SearchScore LargestKey(const VectorTable& table)
{
    SearchScore largest = 0;
    for (int32_t k = 0; k < table.dimension; ++k) {
        int32_t low = table.values[k];
        int32_t high = low;
        for (int64_t row = 1; row < table.rows; ++row) {
            const int32_t value = table.values[row * table.dimension + k];
            low = value < low ? value : low;
            high = value > high ? value : high;
        }
        const uint64_t spread = uint64_t(int64_t(high) - int64_t(low));
        largest += SearchScore(spread * spread);
    }
    return largest;
}

}  // namespace kvs
