// Dense: every key of every centre, and the sum of the s smallest by
// selection. Each thread owns one array of n keys, rewritten per centre.
#include <algorithm>

#include "engine/row_keys.h"
#include "engine/search_methods.h"
#include "engine/workspace.h"

namespace {
template <typename Key>
struct DenseWorker {
    const VectorTable* table = nullptr;
    int64_t size = 0;
    Key* keys = nullptr;

    bool Score(int64_t centre, const BestCentre&, SearchScore& score)
    {
        const int64_t n = table->rows;
        ComputeRowKeys(*table, centre, keys);
        if (size < n)
            std::nth_element(keys, keys + (size - 1), keys + n);
        SearchScore sum = 0;
        for (int64_t i = 0; i < size; ++i)
            sum += keys[i];
        score = sum;
        return true;
    }
};

template <typename Key>
SearchStatus Run(const SearchPlan& plan, BestCentre& best, int& threadsRun)
{
    const SearchRequest& request = *plan.request;
    Workspace workspace(plan.threads, uint64_t(request.table.rows) * sizeof(Key));
    if (!workspace.valid())
        return SearchStatus::OutOfMemory;
    DenseWorker<Key> workers[kMaxSearchThreads];
    for (int t = 0; t < plan.threads; ++t)
        workers[t] = {&request.table, request.size, reinterpret_cast<Key*>(workspace.slice(t))};
    SearchStatus status = SearchStatus::Ok;
    threadsRun = RunCentres(request, plan.begin, plan.end, plan.threads, workers, best, status);
    return status;
}
}

SearchStatus DenseSearch(const SearchPlan& plan, BestCentre& best, int& threadsRun)
{
    return plan.wideKeys ? Run<SearchScore>(plan, best, threadsRun) : Run<uint64_t>(plan, best, threadsRun);
}
