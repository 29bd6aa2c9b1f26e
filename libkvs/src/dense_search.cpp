// Dense: every key of every centre, and the sum of the s smallest by
// selection. Each thread owns one array of n keys, rewritten per centre.
//
// A thread remembers the s-th smallest key (the radius) of its best centre.
// For a new centre the keys within that radius are counted and summed while
// they are made; when fewer than s are within it, every other key exceeds the
// radius, which bounds the centre's score from below; otherwise only the keys
// within it are selected from. A centre whose bound is
// strictly above the best score cannot win (not even a tie) and is dropped;
// any other centre gets its exact score. When the keys cost much more than
// s steps (many coordinates, or s a small part of n), centres are also taken
// in the k-d tree's leaf order and first checked against the bound from the
// last scored centre (the anchor), which costs s steps and no key.
#include <algorithm>
#include <limits>

#include "anchor_bound.h"
#include "row_keys.h"
#include "row_tree.h"
#include "search_methods.h"

namespace kvs {

namespace {
template <typename Key>
struct DenseWorker {
    const VectorTable* table = nullptr;
    int64_t size = 0;
    int64_t begin = 0;
    const int32_t* order = nullptr;  // none: row order from begin
    Key* keys = nullptr;
    Anchor anchor;
    bool useAnchor = false;
    Key radius = std::numeric_limits<Key>::max();

    int64_t Centre(int64_t position) const { return order ? order[position] : begin + position; }

    bool Score(int64_t centre, const BestCentre& best, SearchScore& score)
    {
        const int64_t n = table->rows;
        const int32_t* row = table->values + centre * table->dimension;
        if (best.centre >= 0 && anchor.BoundExceeds(row, best.score))
            return false;
        KeySum<Key> nearSum = 0;
        const int64_t near = ComputeKeysWithin(*table, centre, radius, keys, nearSum);
        int64_t candidates = n;
        if (near < size) {
            // Every other key is at least radius + 1.
            const SearchScore bound = SearchScore(nearSum) + SearchScore(size - near) * (SearchScore(radius) + 1);
            if (best.centre >= 0 && bound > best.score) {
                if (useAnchor)
                    anchor.Set(row, keys, PackKeysWithin(keys, n, radius), SearchScore(radius) + 1);
                return false;
            }
        } else if (near < n / 2) {
            candidates = PackKeysWithin(keys, n, radius);
        }
        if (size < candidates)
            std::nth_element(keys, keys + (size - 1), keys + candidates);
        KeySum<Key> sum = 0;
        for (int64_t i = 0; i < size; ++i)
            sum += keys[i];
        score = sum;
        if (useAnchor)
            anchor.Set(row, keys, size, 0);
        if (Beats(score, centre, best))
            radius = size < candidates ? keys[size - 1] : *std::max_element(keys, keys + size);
        return true;
    }
};

// Whether the anchor's s steps per centre are worth it against n·d for the keys.
bool AnchorPays(const SearchRequest& request)
{
    return request.table.rows * request.table.dimension >= 8 * request.size;
}

template <typename Key>
SearchStatus Run(const SearchPlan& plan, BestCentre& best, int& threadsRun)
{
    const SearchRequest& request = *plan.request;
    const bool useAnchor = AnchorPays(request);
    const int64_t centres = plan.end - plan.begin;
    const uint64_t d = uint64_t(request.table.dimension);
    const uint64_t s = uint64_t(request.size);
    const uint64_t n = uint64_t(request.table.rows);
    Workspace orderSpace(request.allocator, 1, useAnchor ? SliceBytes<int32_t>(uint64_t(centres)) : 0);
    if (!orderSpace.valid())
        return SearchStatus::OutOfMemory;
    int32_t* order = useAnchor ? reinterpret_cast<int32_t*>(orderSpace.slice(0)) : nullptr;
    if (order && !NeighbourOrder(request.table, plan.begin, plan.end, order))
        return SearchStatus::OutOfMemory;
    const uint64_t bytes = SliceBytes<Key>(n) + SliceBytes<int32_t>(d) + SliceBytes<uint32_t>(s);
    auto makeWorker = [&](unsigned char*& cursor) {
        Key* keys = Carve<Key>(cursor, n);
        int32_t* anchorRow = Carve<int32_t>(cursor, d);
        uint32_t* roots = Carve<uint32_t>(cursor, s);
        return DenseWorker<Key>{&request.table, request.size, plan.begin, order, keys,
                                Anchor(anchorRow, roots, request.table.dimension, request.size), useAnchor};
    };
    return RunOnThreads<DenseWorker<Key>>(plan, centres, bytes, makeWorker, best, threadsRun);
}
}

SearchStatus DenseSearch(const SearchPlan& plan, BestCentre& best, int& threadsRun)
{
    return WithKeyType(plan.keyWidth, [&](auto key) { return Run<decltype(key)>(plan, best, threadsRun); });
}

}  // namespace kvs
