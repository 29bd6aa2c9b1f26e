// The engine on the benchmark cases: the window's series and uniform tables,
// each method that suits the case, on every core.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include <kvs/search.h>

#include "window_series.h"

namespace {
std::vector<int32_t> UniformTable(int64_t n, int32_t d)
{
    std::mt19937 random(uint32_t(n * 31 + d));
    std::uniform_int_distribution<int32_t> coordinate(-1000000, 1000000);
    std::vector<int32_t> values(size_t(n * d));
    for (int32_t& value : values)
        value = coordinate(random);
    return values;
}

void RunSearch(benchmark::State& state, const std::vector<int32_t>& values, int64_t n, int32_t d, int64_t s,
               kvs::SearchMethod method)
{
    std::vector<int64_t> subset(static_cast<size_t>(s));
    kvs::SearchRequest request;
    request.table = {values.data(), n, d};
    request.size = s;
    request.method = method;
    for (auto _ : state) {
        kvs::SearchResult result;
        result.subset = subset.data();
        if (kvs::SearchSimilarRows(request, result) != kvs::SearchStatus::Ok)
            state.SkipWithError("search failed");
        benchmark::DoNotOptimize(result.centre);
    }
}

void BM_WindowSeries(benchmark::State& state)
{
    RunSearch(state, WindowSeriesValues(100), 1000, 2, 502, kvs::SearchMethod(state.range(0)));
}
BENCHMARK(BM_WindowSeries)->Arg(int(kvs::SearchMethod::Dense))->Arg(int(kvs::SearchMethod::Described))
    ->Unit(benchmark::kMillisecond)->UseRealTime();

// Arguments: n, d, s, method.
void BM_Uniform(benchmark::State& state)
{
    const int64_t n = state.range(0);
    const int32_t d = int32_t(state.range(1));
    RunSearch(state, UniformTable(n, d), n, d, state.range(2), kvs::SearchMethod(state.range(3)));
}
constexpr int kDense = int(kvs::SearchMethod::Dense);
constexpr int kTree = int(kvs::SearchMethod::Tree);
constexpr int kGrid = int(kvs::SearchMethod::Grid);
BENCHMARK(BM_Uniform)
    ->Args({4000, 2, 2002, kDense})
    ->Args({20000, 2, 10001, kDense})
    ->Args({20000, 2, 20, kDense})
    ->Args({20000, 2, 20, kTree})
    ->Args({20000, 2, 20, kGrid})
    ->Args({10000, 16, 5001, kDense})
    ->Args({1000000, 2, 100, kTree})
    ->Args({1000000, 2, 100, kGrid})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK_MAIN();
