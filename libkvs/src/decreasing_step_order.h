// The window's own index sort, DecreaseStepSortingInt64, over keys of any
// width. Which of several equal keys come first is decided by that exact
// procedure, so it gives the order of every subset the engine returns. Keys
// that fit 63 bits are handed to it as they are; wider ones as their ranks
// among the keys, which compare alike, so the order, ties included, is the same.
#pragma once

#include <algorithm>
#include <cstdint>

namespace kvs {

// The window's procedure, step for step (the library carries its own copy;
// the tests hold the two equal): index gets 0 .. n-1 in ascending order of
// the keys by a Shell sort with the gaps ..., 40, 13, 4, 1, starting from the
// member h of 1, 4, 13, ... whose second successor is at least n; an entry
// being placed passes only strictly greater keys.
inline void DecreaseStepSort(int32_t n, const int64_t* keys, int32_t* index)
{
    int32_t firstGap = 1;
    while (9 * int64_t(firstGap) + 4 < n)
        firstGap = 3 * firstGap + 1;
    for (int32_t i = 0; i < n; ++i)
        index[i] = i;
    for (int32_t gap = firstGap; gap > 0; gap /= 3) {
        for (int32_t i = gap; i < n; ++i) {
            const int32_t placed = index[i];
            const int64_t key = keys[placed];
            int32_t j = i - gap;
            while (j >= 0 && key < keys[index[j]]) {
                index[j + gap] = index[j];
                j -= gap;
            }
            index[j + gap] = placed;
        }
    }
}

// Fills index with the order of the n keys; sortKeys is room for n 64-bit keys.
template <typename Key>
void DecreasingStepOrder(int32_t n, const Key* keys, int64_t* sortKeys, int32_t* index)
{
    const bool fits = std::all_of(keys, keys + n, [](Key key) { return key <= Key(INT64_MAX); });
    if (fits) {
        std::copy_n(keys, n, sortKeys);
    } else {
        for (int32_t i = 0; i < n; ++i)
            index[i] = i;
        std::sort(index, index + n, [keys](int32_t a, int32_t b) { return keys[a] < keys[b]; });
        int64_t rank = 0;
        for (int32_t i = 0; i < n; ++i) {
            if (i > 0 && keys[index[i]] != keys[index[i - 1]])
                ++rank;
            sortKeys[index[i]] = rank;
        }
    }
    DecreaseStepSort(n, sortKeys, index);
}

}  // namespace kvs
