// The exact keys of one centre: the squared Euclidean distance from the
// centre row to every row, with no wrapping. Key is the narrowest of
// uint32_t, uint64_t and SearchScore that holds the table's largest key.
#pragma once

#include <cstdint>
#include <type_traits>

#include "engine/subset_engine.h"

// |a - b| of two 32-bit values; its square always fits 64 bits.
inline uint64_t Spread(int32_t a, int32_t b)
{
    return a > b ? uint64_t(uint32_t(a) - uint32_t(b)) : uint64_t(uint32_t(b) - uint32_t(a));
}

// A sum of keys over up to 2^31 rows: 64 bits hold it for 32-bit keys.
template <typename Key>
using KeySum = std::conditional_t<std::is_same_v<Key, uint32_t>, uint64_t, SearchScore>;

template <typename Key>
Key RowKey(const int32_t* row, const int32_t* centre, int32_t d)
{
    Key key = 0;
    for (int32_t k = 0; k < d; ++k) {
        const uint64_t spread = Spread(row[k], centre[k]);
        key += Key(spread * spread);
    }
    return key;
}

// Every row's key, in row order.
template <typename Key>
void ComputeRowKeys(const VectorTable& table, int64_t centre, Key* keys)
{
    const int32_t d = table.dimension;
    const int32_t* c = table.values + centre * d;
    for (int64_t row = 0; row < table.rows; ++row)
        keys[row] = RowKey<Key>(table.values + row * d, c, d);
}

// The keys no greater than radius, packed at the front of keys in row order;
// returns their count and adds them to sum. The loop has no branch, so the
// compiler keeps the pass over the rows tight.
template <typename Key>
int64_t GatherKeysWithin(const VectorTable& table, int64_t centre, Key radius, Key* keys, KeySum<Key>& sum)
{
    const int32_t d = table.dimension;
    const int32_t* values = table.values;
    const int32_t* c = values + centre * d;
    int64_t count = 0;
    KeySum<Key> within = 0;
    if (d == 2) {
        const int32_t cx = c[0];
        const int32_t cy = c[1];
        for (int64_t row = 0; row < table.rows; ++row) {
            const uint64_t dx = Spread(values[2 * row], cx);
            const uint64_t dy = Spread(values[2 * row + 1], cy);
            const Key key = Key(dx * dx) + Key(dy * dy);
            const bool near = key <= radius;
            keys[count] = key;
            count += near;
            within += near ? key : 0;
        }
    } else {
        for (int64_t row = 0; row < table.rows; ++row) {
            const Key key = RowKey<Key>(values + row * d, c, d);
            const bool near = key <= radius;
            keys[count] = key;
            count += near;
            within += near ? key : 0;
        }
    }
    sum += within;
    return count;
}
