// Described: the reference procedure. Every centre's keys get one full
// decreasing-step index sort, and the keys of the first s entries are summed.
// Slow on purpose; the other methods must agree with it.
#include "decreasing_step_order.h"
#include "row_keys.h"
#include "search_methods.h"

namespace kvs {

namespace {
template <typename Key>
struct DescribedWorker {
    const VectorTable* table = nullptr;
    int64_t size = 0;
    Key* keys = nullptr;
    int64_t* sortKeys = nullptr;
    int32_t* index = nullptr;
    int64_t begin = 0;

    int64_t Centre(int64_t position) const { return begin + position; }

    bool Score(int64_t centre, const BestCentre&, SearchScore& score)
    {
        ComputeRowKeys(*table, centre, keys);
        DecreasingStepOrder(int32_t(table->rows), keys, sortKeys, index);
        KeySum<Key> sum = 0;
        for (int64_t i = 0; i < size; ++i)
            sum += keys[index[i]];
        score = sum;
        return true;
    }
};

template <typename Key>
SearchStatus Run(const SearchPlan& plan, BestCentre& best, int& threadsRun)
{
    const SearchRequest& request = *plan.request;
    const uint64_t n = uint64_t(request.table.rows);
    const uint64_t bytes = SliceBytes<Key>(n) + SliceBytes<int64_t>(n) + SliceBytes<int32_t>(n);
    auto makeWorker = [&](unsigned char*& cursor) {
        Key* keys = Carve<Key>(cursor, n);
        int64_t* sortKeys = Carve<int64_t>(cursor, n);
        return DescribedWorker<Key>{&request.table, request.size, keys, sortKeys, Carve<int32_t>(cursor, n),
                                    plan.begin};
    };
    return RunOnThreads<DescribedWorker<Key>>(plan, plan.end - plan.begin, bytes, makeWorker, best, threadsRun);
}
}

SearchStatus DescribedSearch(const SearchPlan& plan, BestCentre& best, int& threadsRun)
{
    return WithKeyType(plan.keyWidth, [&](auto key) { return Run<decltype(key)>(plan, best, threadsRun); });
}

}  // namespace kvs
