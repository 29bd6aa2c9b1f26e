// What the coordinates of a table allow: the largest key any two rows can
// have, from which the engine picks the width of its keys, and how far the
// values reach from each column's midpoint, from which it picks how to
// compute them.
#pragma once

#include <cstdint>

#include <kvs/search.h>

#include "wide_score.h"

namespace kvs {

// The largest possible key: the sum over the coordinates of the squared
// spread (largest minus smallest value) of each column. Exact, and always
// below 2^95 for up to 2^31 columns.
SearchScore LargestKey(const VectorTable& table);

// The sum over the coordinates of the squared largest distance of a value
// from its column's midpoint (the smallest value plus half the spread,
// rounded down): half the spread rounded up.
SearchScore CentredSquares(const VectorTable& table);

}  // namespace kvs
