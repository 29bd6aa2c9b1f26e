// The exact keys of one centre: the squared Euclidean distance from the
// centre row to every row, with no wrapping. Key is the narrowest of
// uint32_t, uint64_t and SearchScore that holds the table's largest key.
#pragma once

#include <cstdint>
#include <type_traits>

#include <kvs/search.h>

#include "cpu_dispatch.h"
#include "wide_score.h"

namespace kvs {

// A sum of keys over up to 2^31 rows: 64 bits hold it for 32-bit keys.
template <typename Key>
using KeySum = std::conditional_t<std::is_same_v<Key, uint32_t>, uint64_t, SearchScore>;

// (a - b)^2 of two coordinates, exact. For 32-bit keys the difference and
// its square are taken modulo 2^32, which is exact because such keys are
// chosen only when every square is below 2^32; otherwise the distance |a - b|
// (below 2^32) is squared into 64 bits. Both forms are plain unsigned
// arithmetic that the compiler runs on vector registers.
template <typename Key>
Key Square(int32_t a, int32_t b)
{
    if constexpr (std::is_same_v<Key, uint32_t>) {
        const uint32_t difference = uint32_t(a) - uint32_t(b);
        return difference * difference;
    } else {
        const uint32_t distance = a > b ? uint32_t(a) - uint32_t(b) : uint32_t(b) - uint32_t(a);
        return Key(uint64_t(distance) * distance);
    }
}

template <typename Key>
Key RowKey(const int32_t* row, const int32_t* centre, int32_t d)
{
    Key key = 0;
    for (int32_t k = 0; k < d; ++k)
        key += Square<Key>(row[k], centre[k]);
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

// Every row's key, like ComputeRowKeys; returns how many are no greater than
// radius and adds those to sum (of type Sum), in the same pass.
template <typename Key, typename Sum>
static KVS_AVX2_CLONES int64_t KeysWithinPass(const VectorTable& table, int64_t centre, Key radius, Key* keys, Sum& sum)
{
    const int32_t d = table.dimension;
    const int32_t* values = table.values;
    const int32_t* c = values + centre * d;
    int64_t count = 0;
    Sum within = 0;
    if (d == 2) {
        const int32_t cx = c[0];
        const int32_t cy = c[1];
        for (int64_t row = 0; row < table.rows; ++row) {
            const Key key = Square<Key>(values[2 * row], cx) + Square<Key>(values[2 * row + 1], cy);
            keys[row] = key;
            count += key <= radius;
            within += key <= radius ? key : 0;
        }
    } else {
        for (int64_t row = 0; row < table.rows; ++row) {
            const Key key = RowKey<Key>(values + row * d, c, d);
            keys[row] = key;
            count += key <= radius;
            within += key <= radius ? key : 0;
        }
    }
    sum += within;
    return count;
}

// Runs pass(sum) with the narrowest sum that cannot overflow and adds it to
// sum: the keys summed are at most radius each, so 64 bits do when
// n·radius fits them.
template <typename Key, typename Pass>
int64_t WithNarrowestSum(int64_t n, Key radius, KeySum<Key>& sum, Pass pass)
{
    if (SearchScore(radius) > SearchScore(UINT64_MAX) / uint64_t(n))
        return pass(sum);
    uint64_t narrow = 0;
    const int64_t count = pass(narrow);
    sum += narrow;
    return count;
}

template <typename Key>
int64_t ComputeKeysWithin(const VectorTable& table, int64_t centre, Key radius, Key* keys, KeySum<Key>& sum)
{
    return WithNarrowestSum(table.rows, radius, sum,
                            [&](auto& within) { return KeysWithinPass(table, centre, radius, keys, within); });
}

// Of n keys made before: how many are no greater than radius, their sum added to sum.
template <typename Key, typename Sum>
static KVS_AVX2_CLONES int64_t CountWithinPass(const Key* keys, int64_t n, Key radius, Sum& sum)
{
    int64_t count = 0;
    Sum within = 0;
    for (int64_t row = 0; row < n; ++row) {
        count += keys[row] <= radius;
        within += keys[row] <= radius ? keys[row] : 0;
    }
    sum += within;
    return count;
}

template <typename Key>
int64_t CountKeysWithin(const Key* keys, int64_t n, Key radius, KeySum<Key>& sum)
{
    return WithNarrowestSum(n, radius, sum, [&](auto& within) { return CountWithinPass(keys, n, radius, within); });
}

// Moves the keys no greater than radius to the front, in order; returns their count.
template <typename Key>
int64_t PackKeysWithin(Key* keys, int64_t count, Key radius)
{
    int64_t packed = 0;
    for (int64_t i = 0; i < count; ++i) {
        const Key key = keys[i];
        keys[packed] = key;
        packed += key <= radius;
    }
    return packed;
}

}  // namespace kvs
