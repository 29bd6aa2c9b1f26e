#include "search/subset_search.h"

#include <algorithm>
#include <cstddef>

#include "platform/memory.h"
#include "platform/message_box.h"
#include "search/decrease_step_sorting.h"

namespace {
constexpr int64_t kNoSumYet = 1000000000000; // larger than any sum a built series gives

// Storage obtained once per search: one 64-bit key per element, and one block
// of 32-bit integers holding the candidate's coordinates, the sorted index and
// the best subset so far.
struct SearchStorage {
    int64_t* keys;
    int32_t* scratch;
    int32_t* candidate;
    int32_t* index;
    int32_t* bestSubset;
};

bool ObtainStorage(int32_t n, int32_t s, int32_t d, SearchStorage& storage)
{
    storage.keys = static_cast<int64_t*>(AllocateZeroed(std::size_t(n) * sizeof(int64_t)));
    storage.scratch = static_cast<int32_t*>(AllocateZeroed((std::size_t(d) + n + s) * sizeof(int32_t)));
    if (!storage.keys || !storage.scratch) {
        ReleaseMemory(storage.keys);
        ReleaseMemory(storage.scratch);
        return false;
    }
    storage.candidate = storage.scratch;
    storage.index = storage.candidate + d;
    storage.bestSubset = storage.index + n;
    return true;
}

// Squared distance from the candidate to each element: each coordinate
// difference and its square are 32-bit (wrapping, never trapping), and the
// squares are widened with their sign into a 64-bit sum.
void ComputeKeys(int32_t n, int32_t d, const int32_t* candidate, int32_t* const* rows, int64_t* keys)
{
    for (int32_t l = 0; l < n; ++l) {
        const int32_t* row = rows[l];
        int64_t sum = 0;
        for (int32_t k = 0; k < d; ++k) {
            const uint32_t difference = uint32_t(candidate[k]) - uint32_t(row[k]);
            sum += int32_t(difference * difference);
        }
        keys[l] = sum;
    }
}

int64_t SumFirst(int32_t s, const int64_t* keys, const int32_t* index)
{
    int64_t sum = 0;
    for (int32_t i = 0; i < s; ++i)
        sum += keys[index[i]];
    return sum;
}
}

VectorHeader* SearchSimilarSubset(AppWindow* owner, int32_t n, int32_t s, int32_t d, VectorHeader* centre,
                                  VectorSeriesHeader* series)
{
    if (!centre)
        centre = CreateVectorHeader(owner, d, 0, nullptr, nullptr);
    if (s > series->subsetCapacity) {
        ShowMessageBox(owner, "Нет места для subsetIndices в SearchSimilarSubset!", nullptr);
        return centre;
    }
    SearchStorage storage;
    if (!ObtainStorage(n, s, d, storage)) {
        ShowMessageBox(owner, "Нет памяти для SearchSimilarSubset!", nullptr);
        return centre;
    }
    int64_t bestSum = kNoSumYet;
    int32_t bestCentre = 0;
    for (int32_t j = 0; j < n; ++j) {
        std::copy_n(series->noisyVectorValues[j], d, storage.candidate);
        ComputeKeys(n, d, storage.candidate, series->noisyVectorValues, storage.keys);
        SortSearchIndex(n, storage.keys, storage.index);
        if (!CheckSortingInt64(n, storage.keys, storage.index))
            ShowMessageBox(owner, " сортировка с убывающим шагом: ошибка\n", "About DecreaseStepSorting");
        const int64_t sum = SumFirst(s, storage.keys, storage.index);
        if (sum <= bestSum) {
            bestSum = sum;
            std::copy_n(storage.index, s, storage.bestSubset);
            bestCentre = j + 1;
        }
    }
    series->centerIndex = bestCentre;
    std::copy_n(storage.bestSubset, s, series->subsetIndices);
    ReleaseMemory(storage.keys);
    ReleaseMemory(storage.scratch);
    return centre;
}
