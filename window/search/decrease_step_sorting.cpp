#include "search/decrease_step_sorting.h"

#include <cstddef>
#include <functional>

#include "platform/memory.h"

int32_t DecreaseStepFirstGap(int32_t n)
{
    int64_t gap = 1;
    while (9 * gap + 4 < n)
        gap = 3 * gap + 1;
    return int32_t(gap);
}

namespace {
// One Shell sort for every member: Passes(K, k) tells whether the entry being
// placed, with key K, moves ahead of an earlier entry with key k.
template <typename Key, typename Passes>
int32_t* SortIndex(int32_t n, const Key* keys, int32_t* index, Passes passes)
{
    if (!index) {
        index = static_cast<int32_t*>(AllocateZeroed(std::size_t(n) * sizeof(int32_t)));
        if (!index)
            return nullptr;
    }
    for (int32_t i = 0; i < n; ++i)
        index[i] = i;
    for (int32_t gap = DecreaseStepFirstGap(n); gap > 0; gap /= 3) {
        for (int32_t i = gap; i < n; ++i) {
            const int32_t placed = index[i];
            const Key key = keys[placed];
            int32_t j = i - gap;
            while (j >= 0 && passes(key, keys[index[j]])) {
                index[j + gap] = index[j];
                j -= gap;
            }
            index[j + gap] = placed;
        }
    }
    return index;
}

// Accepts(a, b) tells whether adjacent keys a, b are in the member's order.
template <typename Key, typename Accepts>
int32_t CheckIndex(int32_t n, const Key* keys, const int32_t* index, Accepts accepts)
{
    for (int32_t i = 0; i + 1 < n; ++i) {
        if (!accepts(keys[index[i]], keys[index[i + 1]]))
            return 0;
    }
    return 1;
}
}

// Ascending: an equal key stops the entry being placed.
int32_t* DecreaseStepSortingInt64(int32_t n, const int64_t* keys, int32_t* index)
{
    return SortIndex(n, keys, index, std::less<int64_t>());
}

// Descending: the entry being placed moves ahead of equal keys too. A NaN
// compares false either way, so it stops the entry and fails the check.
int32_t* DecreaseStepSortingDouble(int32_t n, const double* keys, int32_t* index)
{
    return SortIndex(n, keys, index, std::greater_equal<double>());
}

int32_t* DecreaseStepSortingShort(int32_t n, const int16_t* keys, int32_t* index)
{
    return SortIndex(n, keys, index, std::greater_equal<int16_t>());
}

int32_t* DecreaseStepSortingLong(int32_t n, const int32_t* keys, int32_t* index)
{
    return SortIndex(n, keys, index, std::greater_equal<int32_t>());
}

int32_t CheckSortingInt64(int32_t n, const int64_t* keys, const int32_t* index)
{
    return CheckIndex(n, keys, index, std::less_equal<int64_t>());
}

int32_t CheckSortingDouble(int32_t n, const double* keys, const int32_t* index)
{
    return CheckIndex(n, keys, index, std::greater_equal<double>());
}

int32_t CheckSortingShort(int32_t n, const int16_t* keys, const int32_t* index)
{
    return CheckIndex(n, keys, index, std::greater_equal<int16_t>());
}

int32_t CheckSortingLong(int32_t n, const int32_t* keys, const int32_t* index)
{
    return CheckIndex(n, keys, index, std::greater_equal<int32_t>());
}
