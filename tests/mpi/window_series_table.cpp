// Writes the window's series as a table on standard output: the first pick
// (100, 100), its 498 background rows and 502 copies, with the noise of the
// level given as the argument, as the first search of a run sees it.
#include <cstdio>
#include <cstdlib>

#include "vectors/noise_generators.h"
#include "vectors/vector_series.h"

int main(int argc, char** argv)
{
    const int32_t level = argc > 1 ? std::atoi(argv[1]) : 0;
    const int32_t pick[] = {100, 100};
    VectorsArrayHeader* picked = AppendVector(nullptr, 2, 1, 1, pick, nullptr);
    VectorSeriesHeader* series = BuildVectorSeries(nullptr, 1000, 502, nullptr, picked, nullptr);
    if (!series)
        return 1;
    AddSeriesNoise(nullptr, level, noiseState, series);
    for (int32_t row = 0; row < 1000; ++row)
        std::printf("%d %d\n", series->noisyVectorValues[row][0], series->noisyVectorValues[row][1]);
    FreeVectorSeriesHeader(nullptr, series);
    FreeVectorsArrayHeader(nullptr, picked);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
