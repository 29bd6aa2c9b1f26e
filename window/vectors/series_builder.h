// Series drawn from generator states of the caller's own. The series builder
// draws its background from the process-wide backgroundState; every build that
// brings states of its own (a main window's, a kvs study trial's, the Python
// module's) lends its state to the process-wide one through here, under one
// lock, so that no two builds ever draw from it at once and it keeps its value.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/types.h"
#include "vectors/noise_generators.h"
#include "vectors/vector_containers.h"
#include "vectors/vector_series.h"

// BuildVectorSeries(owner, length, repeats, reference, picked, series) with
// the background drawn from states.background, then AddSeriesNoise(owner,
// level, states.noise, series): both states advance as the process-wide ones
// would have, which keep their values. Failures are reported to owner, as
// those two report them. Returns the series to use from then on.
VectorSeriesHeader* BuildNoisySeries(AppWindow* owner, int32_t length, int32_t repeats, VectorHeader* reference,
                                     const VectorsArrayHeader* picked, int32_t level, GeneratorStates& states,
                                     VectorSeriesHeader* series);

// A series copied out of the builder's records, row after row.
struct SeriesRows {
    std::vector<int32_t> noisy;
    std::vector<int32_t> clean;
    std::vector<int32_t> identities;
};

// The series of length elements after the picks (rows of dimension
// coordinates, one after another, with identities 1, 2, ... in order) and one
// build with fresh noise per level (one or more), in order: what a pick and
// then the noise and Repeat buttons make in a window whose generators hold
// states. Nothing is shown: false when the heap refused a record, with no
// record left held and rows as they were.
bool BuildSeriesRows(std::span<const int32_t> picks, int32_t dimension, std::span<const int32_t> levels,
                     int32_t length, int32_t repeats, GeneratorStates states, SeriesRows& rows);
