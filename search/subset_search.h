// The exhaustive search for the s mutually closest vectors of a series.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "vectors/vector_containers.h"
#include "vectors/vector_series.h"

// Tries every element of the noisy rows as the centre, sums the s smallest
// squared distances from it and keeps the centre with the smallest sum (the
// last one among equals). Writes centerIndex (1-based) and subsetIndices into
// series; returns the centre vector handed in, or one it made when given none.
VectorHeader* SearchSimilarSubset(AppWindow* owner, int32_t n, int32_t s, int32_t d, VectorHeader* center,
                                  VectorSeriesHeader* series);
