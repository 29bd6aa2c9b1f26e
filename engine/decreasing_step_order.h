// The window's own index sort, DecreaseStepSortingInt64, over keys of any
// width. Which of several equal keys come first is decided by that exact
// procedure, so it gives the order of every subset the engine returns. Keys
// that fit 63 bits are handed to it as they are; wider ones as their ranks
// among the keys, which compare alike, so the order, ties included, is the same.
#pragma once

#include <algorithm>
#include <cstdint>

#include "search/decrease_step_sorting.h"

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
    DecreaseStepSortingInt64(n, sortKeys, index);
}
