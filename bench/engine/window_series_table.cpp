// Prints the window's series as a table for the benchmark script: the pick
// (-115, 88), built and noised at each level in the order the Noise Level Up
// button reaches them, up to the given level; one "x,y" line per element.
//
//   window_series_table [LEVEL]
#include <cstdio>
#include <initializer_list>
#include <cstdlib>

#include "vectors/noise_generators.h"
#include "vectors/vector_series.h"

int main(int argc, char** argv)
{
    const int32_t last = argc > 1 ? std::atoi(argv[1]) : 100;
    const int32_t pick[] = {-115, 88};
    VectorsArrayHeader* picked = AppendVector(nullptr, 2, 1, 1, pick, nullptr);
    VectorSeriesHeader* series = nullptr;
    for (int32_t level : {0, 5, 10, 25, 50, 100}) {
        series = BuildVectorSeries(nullptr, 1000, 502, nullptr, picked, series);
        AddSeriesNoise(nullptr, level, noiseState, series);
        if (level == last)
            break;
    }
    for (int32_t i = 0; i < 1000; ++i)
        std::printf("%d,%d\n", series->noisyVectorValues[i][0], series->noisyVectorValues[i][1]);
    FreeVectorSeriesHeader(nullptr, series);
    FreeVectorsArrayHeader(nullptr, picked);
    return 0;
}
