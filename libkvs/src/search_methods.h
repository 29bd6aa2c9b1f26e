// The engine's methods, each over the centres [begin, end) of a checked
// request. Each returns Ok with the best centre, or Cancelled, or OutOfMemory
// with nothing held; threadsRun tells how many threads took part.
#pragma once

#include <cstdint>
#include <optional>

#include "blocked_keys.h"
#include "centre_loop.h"
#include "laid_out_table.h"
#include <kvs/search.h>

#include "table_range.h"
#include "wide_score.h"
#include "workspace.h"

namespace kvs {

// The narrowest key type that holds the table's largest key.
enum class KeyWidth { Bits32, Bits64, Bits128 };

// The range a search works in, fixed once from the request and the data.
struct SearchPlan {
    const SearchRequest* request = nullptr;
    int64_t begin = 0;
    int64_t end = 0;
    int threads = 1;
    ColumnRanges ranges;
    KeyWidth keyWidth = KeyWidth::Bits64;
    // The table laid out for the dense method to make the keys of many
    // centres at once (blocked_keys.h); none where they do not pay or are
    // not exact.
    const PackedTable* packed = nullptr;
    // Keeps the centres near the best as well (centre_loop.h); none for a plain search.
    const NearBest* near = nullptr;
};

// Calls action with a value of the key type of the given width.
template <typename Action>
SearchStatus WithKeyType(KeyWidth width, Action action)
{
    switch (width) {
    case KeyWidth::Bits32:
        return action(uint32_t{});
    case KeyWidth::Bits64:
        return action(uint64_t{});
    default:
        return action(SearchScore{});
    }
}

// The width for a table whose largest key is the given one.
KeyWidth KeyWidthFor(SearchScore largestKey);

// Runs a method's workers over the centres [0, count) of the plan: one slice
// of bytesPerThread working storage for each thread, from which
// makeWorker(cursor) carves the worker's arrays (Carve moves the cursor),
// zero-filled unless the workers write every value before they read it.
template <typename Worker, typename MakeWorker>
SearchStatus RunOnThreads(const SearchPlan& plan, int64_t count, uint64_t bytesPerThread, MakeWorker makeWorker,
                          BestCentre& best, int& threadsRun, Fill fill = Fill::Zeros)
{
    Workspace workspace(plan.request->allocator, plan.threads, bytesPerThread, fill);
    if (!workspace.valid())
        return SearchStatus::OutOfMemory;
    Worker workers[kMaxSearchThreads];
    for (int t = 0; t < plan.threads; ++t) {
        unsigned char* cursor = workspace.slice(t);
        workers[t] = makeWorker(cursor);
    }
    return RunCentres(*plan.request, count, plan.threads, workers, best, threadsRun, plan.near);
}

// Whether the k-d tree finds the size nearest rows of a few centres spread
// over the table while computing at most 1 / kLocalShare of the distances to
// all rows: a sign that the rows lie in clusters or in few effective
// dimensions, where the tree beats computing every key. The answer depends on
// the table and size alone; without the memory for it, the answer is no.
constexpr int64_t kLocalShare = 16;
// Whether the tree can leave out subtrees often enough for the trial to be
// worth running: whether its paths split on enough of the coordinates.
bool TreePathsCoverEnough(const VectorTable& table);
bool TreeQueriesStayLocal(const VectorTable& table, const ColumnRanges& ranges, int64_t size,
                          const Allocator& allocator);

// The threads that share the work before the centres: those a dense search
// of the request's table over that many centres would run on.
int SetUpThreads(const SearchRequest& request, int64_t centres);

// SearchSimilarRows, keeping the centres near the best in near's lists
// when near is given (it fills no subset then: result.subset must be null).
// The table's column ranges are found here unless the caller knows them.
// Where the dense method made its keys in blocks, the table's layout for
// them is left in keptLayout when one is given, for the caller to make more
// keys with (it needs the request's table).
SearchStatus SearchRows(const SearchRequest& request, const NearBest* near, SearchResult& result,
                        const ColumnRanges* knownRanges = nullptr,
                        std::optional<LaidOutTable>* keptLayout = nullptr);

SearchStatus DenseSearch(const SearchPlan& plan, BestCentre& best, int& threadsRun);
SearchStatus DescribedSearch(const SearchPlan& plan, BestCentre& best, int& threadsRun);
SearchStatus TreeSearch(const SearchPlan& plan, BestCentre& best, int& threadsRun);
SearchStatus GridSearch(const SearchPlan& plan, BestCentre& best, int& threadsRun);

// Whether the rows spread over the grid's cells evenly enough for the grid
// to beat the tree (row_grid.h); reads the table once.
bool GridPays(const SearchRequest& request, const ColumnRanges& ranges);

}  // namespace kvs
