// The best centre of a part of the centres, and how two parts combine.
//
// The engine's rule decides: the smallest score wins, and among equal scores
// the last centre in row order. Combining by the same rule in any order and
// grouping gives the winner of the whole search, whatever the split.
#pragma once

#include <cstdint>

#include <kvs/search.h>

struct PartialBest {
    kvs::Score score;
    int64_t centre = kvs::kNoCentre;  // kNoCentre while the part has none
};

// Whether a beats b: a real centre beats none; then the smaller score; then,
// on equal scores, the later centre.
bool BeatsPartialBest(const PartialBest& a, const PartialBest& b);

// Folds a part's best into the running best.
void FoldPartialBest(PartialBest& best, const PartialBest& part);
