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
// last scored centre (the anchor), which costs s steps and no key. Not with
// the blocked keys: on the tables they serve the anchor's bound drops no
// centre (distances concentrate: the next centre is about as far from the
// anchor as the anchor's s nearest rows), and the tree and the checks cost
// up to half the search (s 5,000 in 128 coordinates).
#include <algorithm>
#include <limits>

#include "anchor_bound.h"
#include "blocked_keys.h"
#include "row_keys.h"
#include "row_tree.h"
#include "search_methods.h"

namespace kvs {

namespace {
// The most centres in one block: the more, the fewer times the table is
// read from memory.
constexpr int kMostBlockCentres = 64;
// The keys of one block take about this many bytes per thread.
constexpr uint64_t kBlockKeyBytes = uint64_t(1) << 20;

// Keys made ahead for the coming centres of a chunk, a block at a time:
// those of positions [first, last), in order. Only the keys no greater than
// the radius at the time the block was made are kept, room of them for each
// centre: before there is a radius a block is a tile or a few with room for
// every key, after it the most centres with an equal share of the keys' room
// each. A centre with more keys than its room gets them made again when it
// is scored (rare, once there is a radius).
template <typename Key>
struct KeyBlock {
    const PackedTable* packed = nullptr;  // none: every centre's keys are made when it is scored
    int64_t capacity = 0;                 // keys, at least kTileCentres · n
    Key* keys = nullptr;                  // capacity
    double* centreValues = nullptr;       // kMostBlockCentres · d
    int64_t* centres = nullptr;           // kMostBlockCentres
    int64_t* found = nullptr;             // kMostBlockCentres: the keys within radius of each centre
    int64_t first = 0;
    int64_t last = 0;
    Key radius = 0;
    int64_t room = 0;
};

template <typename Key>
struct DenseWorker {
    // Chunks that fill whole blocks of keys.
    static constexpr int64_t kChunkGranule = kMostBlockCentres;

    const VectorTable* table = nullptr;
    int64_t size = 0;
    int64_t begin = 0;
    const int32_t* order = nullptr;  // none: row order from begin
    Key* keys = nullptr;
    Anchor anchor;
    bool useAnchor = false;
    KeyBlock<Key> block;
    Key radius = std::numeric_limits<Key>::max();
    int64_t position = 0;  // of the next centre scored
    int64_t chunkLast = 0;

    int64_t Centre(int64_t p) const { return order ? order[p] : begin + p; }

    void StartChunk(int64_t first, int64_t last)
    {
        position = first;
        chunkLast = last;
        block.first = block.last = first;
    }

    bool AnchorDrops(int64_t centre, const BestCentre& best) const
    {
        return best.centre >= 0 && anchor.BoundExceeds(table->values + centre * table->dimension, best.score);
    }

    // The keys of the centre at the next position no greater than the
    // block's radius (kept of them, those beyond the block's room not
    // written), made in a block with the centres that follow it.
    Key* BlockKeysOfNext(int64_t& kept)
    {
        const int64_t p = position++;
        if (p >= block.last) {
            const int64_t n = table->rows;
            const bool everyKey = radius == std::numeric_limits<Key>::max();
            block.room = everyKey ? n : std::min(n, block.capacity / kMostBlockCentres);
            const int64_t most =
                std::min<int64_t>(kMostBlockCentres, block.capacity / block.room / kTileCentres * kTileCentres);
            const int count = int(std::min(most, chunkLast - p));
            for (int i = 0; i < count; ++i)
                block.centres[i] = Centre(p + i);
            const int tiles = (count + kTileCentres - 1) / kTileCentres * kTileCentres;
            std::fill(block.centres + count, block.centres + tiles, block.centres[0]);
            block.first = p;
            block.last = p + count;
            block.radius = radius;
            BlockKeys(*block.packed, block.centres, tiles, radius, block.room, block.centreValues, block.keys,
                      block.found);
        }
        kept = block.found[p - block.first];
        return block.keys + (p - block.first) * block.room;
    }

    bool Score(int64_t centre, const BestCentre& best, SearchScore& score)
    {
        const int64_t n = table->rows;
        const int32_t* row = table->values + centre * table->dimension;
        Key* keys = this->keys;
        // The keys looked at: every key, or those a block kept, which are
        // all the keys no greater than the block's radius.
        int64_t kept = n;
        Key within = radius;
        bool made = false;
        if (block.packed) {
            Key* blockKeys = BlockKeysOfNext(kept);
            made = kept <= block.room;
            if (made) {
                keys = blockKeys;
                within = std::min(radius, block.radius);
            } else {
                kept = n;
            }
        }
        if (AnchorDrops(centre, best))
            return false;
        KeySum<Key> nearSum = 0;
        const int64_t near = made ? CountKeysWithin(keys, kept, within, nearSum)
                                  : ComputeKeysWithin(*table, centre, within, keys, nearSum);
        int64_t candidates = kept;
        if (near < size) {
            // Every other key is at least within + 1.
            const SearchScore bound = SearchScore(nearSum) + SearchScore(size - near) * (SearchScore(within) + 1);
            if (best.centre >= 0 && bound > best.score) {
                if (useAnchor)
                    anchor.Set(row, keys, PackKeysWithin(keys, kept, within), SearchScore(within) + 1);
                return false;
            }
        } else if (near < kept / 2) {
            candidates = PackKeysWithin(keys, kept, within);
        }
        if (candidates < size) {
            // The block kept fewer keys than the score needs: this rare
            // centre gets all of them.
            keys = this->keys;
            CentreKeys(*block.packed, centre, block.centreValues, keys);
            candidates = n;
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

// The keys one block holds: kBlockKeyBytes of them, at least every key of a tile.
template <typename Key>
uint64_t BlockCapacity(uint64_t n)
{
    return std::max<uint64_t>(kBlockKeyBytes / sizeof(Key), kTileCentres * n);
}

// Whether the anchor's s steps per centre are worth it against n·d for the keys.
bool AnchorPays(const SearchRequest& request)
{
    return request.table.rows * request.table.dimension >= 8 * request.size;
}

template <typename Key>
SearchStatus Run(const SearchPlan& plan, BestCentre& best, int& threadsRun)
{
    const SearchRequest& request = *plan.request;
    const bool blocked = plan.packed != nullptr;
    const bool useAnchor = !blocked && AnchorPays(request);
    const int64_t centres = plan.end - plan.begin;
    const uint64_t d = uint64_t(request.table.dimension);
    const uint64_t s = uint64_t(request.size);
    const uint64_t n = uint64_t(request.table.rows);
    Workspace orderSpace(request.allocator, 1, useAnchor ? SliceBytes<int32_t>(uint64_t(centres)) : 0);
    if (!orderSpace.valid())
        return SearchStatus::OutOfMemory;
    int32_t* order = useAnchor ? reinterpret_cast<int32_t*>(orderSpace.slice(0)) : nullptr;
    if (order && !NeighbourOrder(request.table, plan.ranges, plan.begin, plan.end, order))
        return SearchStatus::OutOfMemory;
    const uint64_t capacity = blocked ? BlockCapacity<Key>(n) : 0;
    const uint64_t blockCentres = blocked ? kMostBlockCentres : 0;
    const uint64_t bytes = SliceBytes<Key>(n) + SliceBytes<int32_t>(d) + SliceBytes<uint32_t>(s) +
                           SliceBytes<Key>(capacity) + SliceBytes<double>(blockCentres * d) +
                           2 * SliceBytes<int64_t>(blockCentres);
    auto makeWorker = [&](unsigned char*& cursor) {
        Key* keys = Carve<Key>(cursor, n);
        int32_t* anchorRow = Carve<int32_t>(cursor, d);
        uint32_t* roots = Carve<uint32_t>(cursor, s);
        KeyBlock<Key> block;
        if (blocked)
            block = {plan.packed,
                     int64_t(capacity),
                     Carve<Key>(cursor, capacity),
                     Carve<double>(cursor, blockCentres * d),
                     Carve<int64_t>(cursor, blockCentres),
                     Carve<int64_t>(cursor, blockCentres)};
        return DenseWorker<Key>{&request.table, request.size, plan.begin, order, keys,
                                Anchor(anchorRow, roots, request.table.dimension, request.size), useAnchor, block};
    };
    // Each array is written before it is read: the keys for every centre,
    // the anchor's when it is set, the block's when it is made.
    return RunOnThreads<DenseWorker<Key>>(plan, centres, bytes, makeWorker, best, threadsRun, Fill::None);
}
}

SearchStatus DenseSearch(const SearchPlan& plan, BestCentre& best, int& threadsRun)
{
    return WithKeyType(plan.keyWidth, [&](auto key) { return Run<decltype(key)>(plan, best, threadsRun); });
}

}  // namespace kvs
