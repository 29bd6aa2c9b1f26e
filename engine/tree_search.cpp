// Tree: the s nearest rows of every centre from a k-d tree (nanoflann).
//
// Distances are exact signed 64-bit integers: the tree reads the coordinates
// widened to 64 bits and squares their differences there, which the caller
// allows only when the table's largest key fits. Rows tied with the s-th
// nearest may be left out of the found set, but they have its key, so the sum
// of the found keys is the exact sum of the s smallest.
#include <cstddef>
#include <new>
#include <stdexcept>

#include <nanoflann.hpp>

#include "engine/search_methods.h"
#include "engine/workspace.h"

namespace {
// The table as nanoflann's data source.
struct TableSource {
    const VectorTable* table;

    size_t kdtree_get_point_count() const { return size_t(table->rows); }
    int64_t kdtree_get_pt(size_t row, size_t k) const { return table->values[row * size_t(table->dimension) + k]; }
    template <class Box>
    bool kdtree_get_bbox(Box&) const
    {
        return false;
    }
};

// Squared Euclidean distance in 64-bit integers.
struct ExactSquaredDistance {
    using ElementType = int64_t;
    using DistanceType = int64_t;

    explicit ExactSquaredDistance(const TableSource& source) : source(source) {}

    int64_t evalMetric(const int64_t* a, size_t row, size_t size) const
    {
        int64_t sum = 0;
        for (size_t k = 0; k < size; ++k) {
            const int64_t difference = a[k] - source.kdtree_get_pt(row, k);
            sum += difference * difference;
        }
        return sum;
    }

    template <typename U, typename V>
    int64_t accum_dist(const U a, const V b, size_t) const
    {
        const int64_t difference = int64_t(a) - int64_t(b);
        return difference * difference;
    }

    const TableSource& source;
};

using RowTree = nanoflann::KDTreeSingleIndexAdaptor<ExactSquaredDistance, TableSource, -1, uint32_t>;

struct TreeWorker {
    const RowTree* tree = nullptr;
    const VectorTable* table = nullptr;
    int64_t size = 0;
    int64_t* query = nullptr;
    uint32_t* rows = nullptr;
    int64_t* keys = nullptr;

    bool Score(int64_t centre, const BestCentre&, SearchScore& score)
    {
        const int32_t d = table->dimension;
        for (int32_t k = 0; k < d; ++k)
            query[k] = table->values[centre * d + k];
        nanoflann::KNNResultSet<int64_t, uint32_t> found{size_t(size)};
        found.init(rows, keys);
        tree->findNeighbors(found, query, nanoflann::SearchParams(0, 0, false));
        SearchScore sum = 0;
        for (int64_t i = 0; i < size; ++i)
            sum += SearchScore(keys[i]);
        score = sum;
        return true;
    }
};

SearchStatus SearchWithTree(const SearchPlan& plan, const RowTree& tree, BestCentre& best, int& threadsRun)
{
    const SearchRequest& request = *plan.request;
    const uint64_t s = uint64_t(request.size);
    const uint64_t d = uint64_t(request.table.dimension);
    Workspace workspace(plan.threads, d * sizeof(int64_t) + s * sizeof(int64_t) + s * sizeof(uint32_t));
    if (!workspace.valid())
        return SearchStatus::OutOfMemory;
    TreeWorker workers[kMaxSearchThreads];
    for (int t = 0; t < plan.threads; ++t) {
        int64_t* query = reinterpret_cast<int64_t*>(workspace.slice(t));
        int64_t* keys = query + d;
        workers[t] = {&tree, &request.table, request.size, query, reinterpret_cast<uint32_t*>(keys + s), keys};
    }
    SearchStatus status = SearchStatus::Ok;
    threadsRun = RunCentres(request, plan.begin, plan.end, plan.threads, workers, best, status);
    return status;
}
}

SearchStatus TreeSearch(const SearchPlan& plan, BestCentre& best, int& threadsRun)
{
    const TableSource source{&plan.request->table};
    try {
        const RowTree tree(plan.request->table.dimension, source, nanoflann::KDTreeSingleIndexAdaptorParams(16));
        return SearchWithTree(plan, tree, best, threadsRun);
    } catch (const std::bad_alloc&) {
        return SearchStatus::OutOfMemory;
    } catch (const std::length_error&) {
        return SearchStatus::OutOfMemory;
    }
}
