// A lower bound on a centre's score from a nearby centre whose s nearest
// keys are known (the anchor), in exact integer arithmetic.
//
// If the anchor's s nearest rows lie at distances a1 <= ... <= as and the new
// centre is at distance t from the anchor, every row is at least its distance
// from the anchor minus t away from the new centre, so the new centre's i-th
// nearest row is at least max(0, ai - t) away and its score is at least the
// sum of max(0, ai - t)^2. Rounding each ai down and t up to whole numbers
// keeps it a bound. Centres taken in an order that keeps neighbours together
// (the k-d tree's) make t small, and a centre in a sparse part of the table
// is then dropped without looking at a single row.
#pragma once

#include <algorithm>
#include <cstdint>

#include <kvs/search.h>

#include "wide_score.h"

namespace kvs {

// floor(sqrt(value)) exactly, for value below 2^64.
uint32_t IntegerRoot(uint64_t value);

class Anchor {
public:
    Anchor() = default;
    // Room for the anchor's coordinates and s roots; neither is owned.
    Anchor(int32_t* coordinates, uint32_t* roots, int32_t dimension, int64_t size)
        : coordinates(coordinates), roots(roots), dimension(dimension), size(size)
    {
    }

    bool valid() const { return isSet; }

    // Takes the given centre as the anchor, with the keys of the `found`
    // nearest of its s nearest rows (in any order) and a floor for the keys
    // of the others. Keys beyond 64 bits are not taken.
    template <typename Key>
    void Set(const int32_t* centre, const Key* keys, int64_t found, SearchScore floor)
    {
        isSet = false;
        for (int64_t i = 0; i < found; ++i) {
            if (keys[i] > Key(UINT64_MAX))
                return;
            roots[i] = IntegerRoot(uint64_t(keys[i]));
        }
        if (found < size) {
            if (floor > SearchScore(UINT64_MAX))
                return;
            std::fill(roots + found, roots + size, IntegerRoot(uint64_t(floor)));
        }
        for (int32_t k = 0; k < dimension; ++k)
            coordinates[k] = centre[k];
        isSet = true;
    }

    // Whether the bound for the given centre exceeds limit; never while no
    // anchor is set. Stops adding as soon as it does. (The roots are kept in
    // the order they came: sorting them to stop earlier costs more than it saves.)
    bool BoundExceeds(const int32_t* centre, SearchScore limit) const;

private:
    int32_t* coordinates = nullptr;
    uint32_t* roots = nullptr;
    int32_t dimension = 0;
    int64_t size = 0;
    bool isSet = false;
};

}  // namespace kvs
