// The similar-subset search on the demonstration's own series, and the build
// with noise that precedes every search.
#include <benchmark/benchmark.h>

#include "search/subset_search.h"
#include "vectors/noise_generators.h"
#include "vectors/vector_series.h"

namespace {
constexpr int32_t kLength = 1000;
constexpr int32_t kRepeats = 502;
constexpr int32_t kDimension = 2;

// One picked vector (100, 100), as the first pick of a run makes it.
struct DemoSeries {
    DemoSeries()
    {
        const int32_t pick[] = {100, 100};
        picked = AppendVector(nullptr, kDimension, 1, 1, pick, nullptr);
        series = BuildVectorSeries(nullptr, kLength, kRepeats, nullptr, picked, nullptr);
    }
    ~DemoSeries()
    {
        FreeVectorSeriesHeader(nullptr, series);
        FreeVectorsArrayHeader(nullptr, picked);
    }
    VectorsArrayHeader* picked = nullptr;
    VectorSeriesHeader* series = nullptr;
};

void BM_SearchSimilarSubset(benchmark::State& state)
{
    DemoSeries demo;
    AddSeriesNoise(nullptr, int32_t(state.range(0)), noiseState, demo.series);
    VectorHeader* centre = nullptr;
    for (auto _ : state) {
        centre = SearchSimilarSubset(nullptr, kLength, kRepeats, kDimension, centre, demo.series);
        benchmark::DoNotOptimize(demo.series->centerIndex);
    }
    FreeVectorHeader(nullptr, centre);
}
BENCHMARK(BM_SearchSimilarSubset)->Arg(0)->Arg(100)->Unit(benchmark::kMillisecond);

// A Repeat: the series rebuilt on its existing record, then fresh noise.
void BM_BuildSeriesAndAddNoise(benchmark::State& state)
{
    DemoSeries demo;
    for (auto _ : state) {
        demo.series = BuildVectorSeries(nullptr, kLength, kRepeats, nullptr, demo.picked, demo.series);
        AddSeriesNoise(nullptr, 100, noiseState, demo.series);
        benchmark::DoNotOptimize(demo.series->noisyVectorValues[0][0]);
    }
}
BENCHMARK(BM_BuildSeriesAndAddNoise)->Unit(benchmark::kMicrosecond);

// The first build of a run: a new record with its background drawn, then noise.
void BM_FirstBuildAndAddNoise(benchmark::State& state)
{
    DemoSeries demo;
    for (auto _ : state) {
        VectorSeriesHeader* series = BuildVectorSeries(nullptr, kLength, kRepeats, nullptr, demo.picked, nullptr);
        AddSeriesNoise(nullptr, 100, noiseState, series);
        benchmark::DoNotOptimize(series->noisyVectorValues[0][0]);
        FreeVectorSeriesHeader(nullptr, series);
    }
}
BENCHMARK(BM_FirstBuildAndAddNoise)->Unit(benchmark::kMicrosecond);
}

BENCHMARK_MAIN();
