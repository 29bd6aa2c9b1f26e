// The window's series for the engine's benchmarks: the pick (-115, 88),
// built and noised at each level in the order the Noise Level Up button
// reaches them, up to the given level; 1000 rows of 2 coordinates.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "vectors/noise_generators.h"
#include "vectors/vector_series.h"

inline std::vector<int32_t> WindowSeriesValues(int32_t lastLevel)
{
    noiseState = kInitialNoiseState;
    backgroundState = kInitialBackgroundState;
    const int32_t pick[] = {-115, 88};
    VectorsArrayHeader* picked = AppendVector(nullptr, 2, 1, 1, pick, nullptr);
    VectorSeriesHeader* series = nullptr;
    for (int32_t level : {0, 5, 10, 25, 50, 100}) {
        series = BuildVectorSeries(nullptr, 1000, 502, nullptr, picked, series);
        AddSeriesNoise(nullptr, level, noiseState, series);
        if (level == lastLevel)
            break;
    }
    std::vector<int32_t> values;
    for (int32_t i = 0; i < 1000; ++i)
        values.insert(values.end(), series->noisyVectorValues[i], series->noisyVectorValues[i] + 2);
    FreeVectorSeriesHeader(nullptr, series);
    FreeVectorsArrayHeader(nullptr, picked);
    return values;
}
