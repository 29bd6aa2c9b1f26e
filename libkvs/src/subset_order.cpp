#include "subset_order.h"

#include <algorithm>
#include <limits>

#include "decreasing_step_order.h"
#include "row_keys.h"
#include "workspace.h"

namespace kvs {

namespace {
// Keys collected past 2·s before only the s smallest are kept.
constexpr int64_t kPieceKeys = 512;
// The small entries are followed alone while they are at most this share of n.
constexpr int64_t kMostSmallShare = 8;

// The s-th smallest key of the centre, in one pass that keeps only the keys
// that can still be among the s smallest, in room for 2·s + kPieceKeys.
template <typename Key>
Key SthSmallestKey(const VectorTable& table, int64_t size, const int32_t* centre, Key* kept)
{
    const int64_t capacity = 2 * size + kPieceKeys;
    const auto reduce = [&](int64_t count) {
        std::nth_element(kept, kept + (size - 1), kept + count);
        return kept[size - 1];
    };
    Key limit = std::numeric_limits<Key>::max();
    int64_t count = 0;
    for (int64_t row = 0; row < table.rows; ++row) {
        const Key key = RowKey<Key>(table.values + row * table.dimension, centre, table.dimension);
        kept[count] = key;
        count += key <= limit;
        if (count == capacity) {
            const Key largest = reduce(count);
            count = size;
            if (largest == 0)
                return 0;
            limit = largest - 1;
        }
    }
    return count > size ? reduce(count) : *std::max_element(kept, kept + size);
}

// The whole decreasing-step sort of the centre's n keys.
template <typename Key>
SearchStatus SortEveryKey(const VectorTable& table, int64_t size, int64_t centre, int64_t* subset,
                          const Allocator& allocator)
{
    const uint64_t n = uint64_t(table.rows);
    Workspace workspace(allocator, 1, SliceBytes<Key>(n) + SliceBytes<int64_t>(n) + SliceBytes<int32_t>(n));
    if (!workspace.valid())
        return SearchStatus::OutOfMemory;
    unsigned char* cursor = workspace.slice(0);
    Key* keys = Carve<Key>(cursor, n);
    int64_t* sortKeys = Carve<int64_t>(cursor, n);
    int32_t* index = Carve<int32_t>(cursor, n);
    ComputeRowKeys(table, centre, keys);
    DecreasingStepOrder(int32_t(n), keys, sortKeys, index);
    for (int64_t i = 0; i < size; ++i)
        subset[i] = index[i];
    return SearchStatus::Ok;
}

template <typename Key>
SearchStatus OrderSubsetWith(const VectorTable& table, int64_t size, int64_t centre, int64_t* subset,
                             const Allocator& allocator)
{
    const int32_t d = table.dimension;
    const int32_t* point = table.values + centre * d;
    Workspace keptSpace(allocator, 1, SliceBytes<Key>(uint64_t(2 * size + kPieceKeys)), Fill::None);
    if (!keptSpace.valid())
        return SearchStatus::OutOfMemory;
    const Key largest = SthSmallestKey(table, size, point, reinterpret_cast<Key*>(keptSpace.slice(0)));
    int64_t small = 0;
    for (int64_t row = 0; row < table.rows; ++row)
        small += RowKey<Key>(table.values + row * d, point, d) <= largest;
    if (small > table.rows / kMostSmallShare)
        return SortEveryKey<Key>(table, size, centre, subset, allocator);
    Workspace entrySpace(allocator, 1, SliceBytes<PlacedKey<Key>>(uint64_t(small)), Fill::None);
    if (!entrySpace.valid())
        return SearchStatus::OutOfMemory;
    PlacedKey<Key>* entries = reinterpret_cast<PlacedKey<Key>*>(entrySpace.slice(0));
    int64_t count = 0;
    for (int64_t row = 0; row < table.rows; ++row) {
        const Key key = RowKey<Key>(table.values + row * d, point, d);
        if (key <= largest)
            entries[count++] = {key, row, row};
    }
    FollowDecreasingSteps(table.rows, entries, small);
    for (int64_t i = 0; i < size; ++i)
        subset[i] = entries[i].row;
    return SearchStatus::Ok;
}
}  // namespace

SearchStatus OrderSubsetOfWidth(KeyWidth width, const VectorTable& table, int64_t size, int64_t centre,
                                int64_t* subset, const Allocator& allocator)
{
    return WithKeyType(width, [&](auto key) {
        return OrderSubsetWith<decltype(key)>(table, size, centre, subset, allocator);
    });
}

}  // namespace kvs
