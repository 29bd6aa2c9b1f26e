// DecreaseStepSortingInt64's procedure for any key type: the same gaps, and
// an entry being placed passes only strictly greater keys. Which of several
// equal keys come first is decided by this exact procedure, so it gives the
// order of every subset the engine returns, 128-bit keys included.
#pragma once

#include <cstdint>

#include "search/decrease_step_sorting.h"

template <typename Key>
void DecreasingStepOrder(int32_t n, const Key* keys, int32_t* index)
{
    for (int32_t i = 0; i < n; ++i)
        index[i] = i;
    for (int32_t gap = DecreaseStepFirstGap(n); gap > 0; gap /= 3) {
        for (int32_t i = gap; i < n; ++i) {
            const int32_t placed = index[i];
            const Key key = keys[placed];
            int32_t j = i - gap;
            while (j >= 0 && key < keys[index[j]]) {
                index[j + gap] = index[j];
                j -= gap;
            }
            index[j + gap] = placed;
        }
    }
}
