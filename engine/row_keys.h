// The exact keys of one centre: the squared Euclidean distance from the
// centre row to every row, with no wrapping. Key is uint64_t when the table's
// largest key fits 64 bits, SearchScore otherwise.
#pragma once

#include <cstdint>

#include "engine/subset_engine.h"

// |a - b| of two 32-bit values; its square always fits 64 bits.
inline uint64_t Spread(int32_t a, int32_t b)
{
    return a > b ? uint64_t(uint32_t(a) - uint32_t(b)) : uint64_t(uint32_t(b) - uint32_t(a));
}

template <typename Key>
void ComputeRowKeys(const VectorTable& table, int64_t centre, Key* keys)
{
    const int32_t d = table.dimension;
    const int32_t* values = table.values;
    const int32_t* c = values + centre * d;
    const int64_t n = table.rows;
    if (d == 2) {
        const int32_t cx = c[0];
        const int32_t cy = c[1];
        for (int64_t row = 0; row < n; ++row) {
            const uint64_t dx = Spread(values[2 * row], cx);
            const uint64_t dy = Spread(values[2 * row + 1], cy);
            keys[row] = Key(dx * dx) + Key(dy * dy);
        }
        return;
    }
    for (int64_t row = 0; row < n; ++row) {
        const int32_t* r = values + row * d;
        Key key = 0;
        for (int32_t k = 0; k < d; ++k) {
            const uint64_t diff = Spread(r[k], c[k]);
            key += Key(diff * diff);
        }
        keys[row] = key;
    }
}
