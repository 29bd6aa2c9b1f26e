// The winner's subset: the first s entries of the decreasing-step index sort
// (decreasing_step_order.h) of the centre's keys, without sorting all n.
//
// Every pass of that sort is an insertion sort of each chain of entries a
// gap apart, which passes only strictly greater keys: it is stable, and
// leaves a chain's entries sorted by key, ties in the order they stood. Say
// the keys no greater than some T are small. After a pass a chain's small
// entries fill its first slots, in that order, however the other keys of the
// chain compare among themselves; and since the slots the small entries fill
// after a pass depend only on where they stood before it and on how many
// slots each chain has, the other keys never change where a small entry
// goes. So with T the s-th smallest key, following the m small entries alone
// through the passes (each pass a sort of them by chain, key and place) gives
// the first s entries of the whole sort, ties included, in O(m log m) a pass
// and room for m entries instead of n. Where most keys are small (many equal
// keys), the whole sort is run as before.
#pragma once

#include <algorithm>
#include <cstdint>

#include <kvs/search.h>

#include "search_methods.h"

namespace kvs {

// A small key, the row it belongs to and its place in the sort so far.
template <typename Key>
struct PlacedKey {
    Key key;
    int64_t place;
    int64_t row;
};

// The first gap of the decreasing-step sort of n keys (decreasing_step_order.h).
inline int64_t FirstGap(int64_t n)
{
    int64_t gap = 1;
    while (9 * gap + 4 < n)
        gap = 3 * gap + 1;
    return gap;
}

// Follows the m entries, each at its row's place to start with, through
// every pass of the decreasing-step sort of n keys in which they are the
// smallest: on return entries[i] is at place i (the places are 0 .. m - 1).
template <typename Key>
void FollowDecreasingSteps(int64_t n, PlacedKey<Key>* entries, int64_t m)
{
    for (int64_t gap = FirstGap(n); gap > 0; gap /= 3) {
        std::sort(entries, entries + m, [gap](const PlacedKey<Key>& a, const PlacedKey<Key>& b) {
            const int64_t chainA = a.place % gap;
            const int64_t chainB = b.place % gap;
            if (chainA != chainB)
                return chainA < chainB;
            return a.key != b.key ? a.key < b.key : a.place < b.place;
        });
        int64_t chain = -1;
        int64_t slot = 0;
        for (int64_t i = 0; i < m; ++i, ++slot) {
            if (entries[i].place % gap != chain) {
                chain = entries[i].place % gap;
                slot = 0;
            }
            entries[i].place = chain + slot * gap;
        }
    }
    // The last pass, of gap 1, has left them in place order.
}

// Fills subset with the first size entries of the decreasing-step order of
// the centre's keys. Returns Ok, or OutOfMemory holding nothing.
SearchStatus OrderSubsetOfWidth(KeyWidth width, const VectorTable& table, int64_t size, int64_t centre,
                                int64_t* subset, const Allocator& allocator);

}  // namespace kvs
