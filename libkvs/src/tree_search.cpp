// Tree: the s nearest rows of every centre from a k-d tree.
//
// Rows tied with the s-th nearest may be left out of the found set, but they
// have its key, so the sum of the found keys is the exact sum of the s
// smallest. Centres are taken in the tree's leaf order, and each thread drops
// a centre without a query when one of two bounds proves it worse than its
// best: the bound from the last fully queried centre (the anchor), or, after
// a query limited to the radius of its best centre (that centre's s-th
// smallest key) finds fewer than s rows, the keys found plus the radius for
// each row missing.
#include <algorithm>
#include <bit>
#include <limits>
#include <new>
#include <stdexcept>

#include "anchor_bound.h"
#include "row_tree.h"
#include "search_methods.h"
#include "tree_walk.h"

namespace kvs {

namespace {
constexpr int64_t kNoBound = std::numeric_limits<int64_t>::max();

// nanoflann's result set: the keys of the `capacity` nearest rows closer than
// a bound. Until it is full it only collects (most queries limited to a
// radius end there); from then on it is a max-heap, so that the farthest is
// dropped first.
class NearestKeys {
public:
    NearestKeys(int64_t* heap, size_t capacity, int64_t bound) : heap(heap), capacity(capacity), bound(bound) {}

    size_t size() const { return count; }
    bool full() const { return count == capacity; }
    int64_t worst() const { return full() ? heap[0] : bound; }
    double worstDist() const { return double(worst()); }

    void Add(int64_t key)
    {
        if (key >= worst())
            return;
        if (!full()) {
            heap[count++] = key;
            if (full())
                std::make_heap(heap, heap + count);
            return;
        }
        std::pop_heap(heap, heap + count);
        heap[count - 1] = key;
        std::push_heap(heap, heap + count);
    }

    bool addPoint(double distance, uint32_t)
    {
        Add(int64_t(distance));
        return true;
    }

    SearchScore sum() const
    {
        SearchScore total = 0;
        for (size_t i = 0; i < count; ++i)
            total += SearchScore(heap[i]);
        return total;
    }

private:
    int64_t* heap;
    size_t capacity;
    int64_t bound;
    size_t count = 0;
};

// The nearest keys of one of the cost model's trial queries, which ends the
// query once the trial's count of distances is past its limit: from then on
// the worst distance is below zero, so the query finishes the leaf it is in
// and leaves every other one out.
class TrialKeys : public NearestKeys {
public:
    TrialKeys(int64_t* heap, size_t capacity, const int64_t& distances, int64_t limit)
        : NearestKeys(heap, capacity, kNoBound), distances(distances), limit(limit)
    {
    }

    double worstDist() const { return distances > limit ? -1.0 : NearestKeys::worstDist(); }

private:
    const int64_t& distances;
    int64_t limit;
};

template <int Dimension>
struct TreeWorker {
    TreeWalk<Dimension> walk;
    const VectorTable* table = nullptr;
    int64_t size = 0;
    const int32_t* order = nullptr;
    int64_t* keys = nullptr;
    Anchor anchor;
    int64_t radius = kNoBound;

    int64_t Centre(int64_t position) const { return order[position]; }

    bool Score(int64_t centre, const BestCentre& best, SearchScore& score)
    {
        const int32_t d = table->dimension;
        const int32_t* row = table->values + centre * d;
        if (best.centre >= 0 && anchor.BoundExceeds(row, best.score))
            return false;
        const size_t s = size_t(size);
        if (radius != kNoBound) {
            NearestKeys near(keys, s, radius + 1);
            walk.Find(row, near);
            if (near.full())
                return Keep(near, row, centre, best, score);
            // Every row not found is at least radius + 1 away.
            const SearchScore bound = near.sum() + SearchScore(s - near.size()) * SearchScore(radius + 1);
            if (bound > best.score) {
                anchor.Set(row, keys, int64_t(near.size()), SearchScore(radius + 1));
                return false;
            }
        }
        NearestKeys nearest(keys, s, kNoBound);
        walk.Find(row, nearest);
        return Keep(nearest, row, centre, best, score);
    }

    bool Keep(const NearestKeys& nearest, const int32_t* row, int64_t centre, const BestCentre& best,
              SearchScore& score)
    {
        score = nearest.sum();
        anchor.Set(row, keys, size, 0);
        if (Beats(score, centre, best))
            radius = nearest.worst();
        return true;
    }
};

// Rows per leaf of the search's tree. In many coordinates a query's ball
// holds most leaves near its centre, so the walk's cost is in the nodes it
// passes more than in the rows it reads: larger leaves pay there.
size_t SearchLeafRows(int32_t dimension)
{
    return dimension <= 4 ? kTreeLeafRows : 4 * kTreeLeafRows;
}

// The rows of the table copied in the leaf order of a tree built on them,
// and the tree's rows renumbered to their places in the copy: the rows of
// each leaf then lie side by side in memory instead of scattered over the
// table, and the copy holds the same values, so every split and box of the
// tree stays true of it. The centres of the plan go into order in the same
// leaf order, as rows of the table.
template <int Dimension>
void LayOutRows(const SearchPlan& plan, RowTree<Dimension>& tree, int32_t* copy, int32_t* order)
{
    const VectorTable& table = plan.request->table;
    LeafOrder(tree, plan.begin, plan.end, order);
    const size_t d = size_t(table.dimension);
    uint32_t place = 0;
    for (uint32_t& row : tree.vAcc) {
        std::copy_n(table.values + row * d, d, copy + place * d);
        row = place++;
    }
}

template <int Dimension>
SearchStatus SearchWithTree(const SearchPlan& plan, BestCentre& best, int& threadsRun)
{
    const SearchRequest& request = *plan.request;
    const int64_t n = request.table.rows;
    const uint64_t d = uint64_t(request.table.dimension);
    const uint64_t s = uint64_t(request.size);
    const int64_t centres = plan.end - plan.begin;
    Workspace copySpace(request.allocator, 1, SliceBytes<int32_t>(uint64_t(n) * d));
    Workspace orderSpace(request.allocator, 1, SliceBytes<int32_t>(uint64_t(centres)));
    if (!copySpace.valid() || !orderSpace.valid())
        return SearchStatus::OutOfMemory;
    int32_t* copy = reinterpret_cast<int32_t*>(copySpace.slice(0));
    int32_t* order = reinterpret_cast<int32_t*>(orderSpace.slice(0));
    const size_t leafRows = SearchLeafRows(request.table.dimension);
    const TableSource source{&request.table, &plan.ranges};
    RowTree<Dimension> tree(request.table.dimension, source, nanoflann::KDTreeSingleIndexAdaptorParams(leafRows));
    LayOutRows(plan, tree, copy, order);
    const uint64_t bytes = SliceBytes<uint64_t>(d) + SliceBytes<uint64_t>(leafRows) + SliceBytes<int64_t>(s) +
                           SliceBytes<int32_t>(d) + SliceBytes<uint32_t>(s);
    auto makeWorker = [&](unsigned char*& cursor) {
        uint64_t* gaps = Carve<uint64_t>(cursor, d);
        uint64_t* leafKeys = Carve<uint64_t>(cursor, leafRows);
        int64_t* keys = Carve<int64_t>(cursor, s);
        int32_t* anchorRow = Carve<int32_t>(cursor, d);
        uint32_t* roots = Carve<uint32_t>(cursor, s);
        return TreeWorker<Dimension>{TreeWalk<Dimension>(&tree, copy, request.table.dimension, gaps, leafKeys),
                                     &request.table,
                                     request.size,
                                     order,
                                     keys,
                                     Anchor(anchorRow, roots, request.table.dimension, request.size)};
    };
    return RunOnThreads<TreeWorker<Dimension>>(plan, centres, bytes, makeWorker, best, threadsRun);
}
}

// A query leaves out a subtree only when the squared gaps between it and the
// subtree's box, summed over the coordinates split on along the way down,
// exceed its s-th nearest key so far, which sums over all d coordinates. A
// tree of n rows in leaves of kTreeLeafRows is about log2(n / kTreeLeafRows)
// levels deep, so the bound counts at most that many coordinates. Where d is
// many times that, a few coordinates would have to hold more than the whole
// distance to the s-th nearest row: rows in clusters set apart in every
// coordinate by about sqrt(d / depth) times their spread within a cluster.
// So the trial (a tree over the whole table and up to 2n distances, a third
// of the search at n 5,000, d 768, where it computes every distance) is run
// only where d is at most kDepthShare times the depth; beyond that the
// search is dense, on clusters too.
constexpr int64_t kDepthShare = 8;

bool TreePathsCoverEnough(const VectorTable& table)
{
    // ceil(log2(leaves)): the depth of a balanced tree.
    const int64_t leaves = (table.rows + kTreeLeafRows - 1) / kTreeLeafRows;
    const int64_t depth = std::bit_width(uint64_t(leaves - 1));
    return table.dimension <= kDepthShare * depth;
}

bool TreeQueriesStayLocal(const VectorTable& table, const ColumnRanges& ranges, int64_t size,
                          const Allocator& allocator)
{
    constexpr int64_t kProbes = 32;
    const size_t d = size_t(table.dimension);
    Workspace workspace(allocator, 1, SliceBytes<int64_t>(d + uint64_t(size)));
    if (!workspace.valid())
        return false;
    int64_t* room = reinterpret_cast<int64_t*>(workspace.slice(0));
    try {
        int64_t distances = 0;
        const TableSource source{&table, &ranges, &distances};
        const RowTree<-1> tree(table.dimension, source, nanoflann::KDTreeSingleIndexAdaptorParams(kTreeLeafRows));
        // The count only grows: once past the limit, the answer is no, and
        // the query that passed it stops.
        const int64_t limit = kProbes * table.rows / kLocalShare;
        for (int64_t probe = 0; probe < kProbes && distances <= limit; ++probe) {
            const int32_t* row = table.values + (probe * table.rows / kProbes) * table.dimension;
            std::copy_n(row, d, room);
            TrialKeys nearest(room + d, size_t(size), distances, limit);
            tree.findNeighbors(nearest, room, nanoflann::SearchParams());
        }
        return distances <= limit;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

SearchStatus TreeSearch(const SearchPlan& plan, BestCentre& best, int& threadsRun)
{
    // nanoflann allocates with the standard library and reports a failure by throwing.
    try {
        if (plan.request->table.dimension == 2)
            return SearchWithTree<2>(plan, best, threadsRun);
        return SearchWithTree<-1>(plan, best, threadsRun);
    } catch (const std::bad_alloc&) {
        return SearchStatus::OutOfMemory;
    } catch (const std::length_error&) {
        return SearchStatus::OutOfMemory;
    }
}

}  // namespace kvs
