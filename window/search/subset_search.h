// The exhaustive search for the s mutually closest vectors of a series.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "vectors/vector_containers.h"
#include "vectors/vector_series.h"

// Tries every element of the noisy rows as the centre, sums the s smallest
// squared distances from it and keeps the centre with the smallest sum (the
// last one among equals). Writes centerIndex (1-based) and subsetIndices into
// series; returns the centre vector handed in (its contents untouched), or one
// it made when given none. The caller keeps s <= n.
//
// A subset larger than the series' subset area (subsetCapacity), or working
// storage that cannot be had, is reported in a message box and leaves
// centerIndex and subsetIndices as they were.
VectorHeader* SearchSimilarSubset(AppWindow* owner, int32_t n, int32_t s, int32_t d, VectorHeader* centre,
                                  VectorSeriesHeader* series);

// The index sort the search runs for each centre: DecreaseStepSortingInt64
// (search/decrease_step_sorting.h). It stands in a file of its own, the one
// source of the search that test builds compile with their hooks
// (platform/test_hooks.h), where a test may hand it a sort that breaks the
// order and see the check report it.
int32_t* SortSearchIndex(int32_t n, const int64_t* keys, int32_t* index);
