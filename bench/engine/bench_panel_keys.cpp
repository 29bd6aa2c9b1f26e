// The blocked key pass alone, against the processor's peak for its
// instructions. A tile of 8 centres against a panel of 16 rows costs 128·d
// fused multiply-adds of doubles; BM_PanelKeys runs it over a panel group
// that stays in the second-level cache, as the search does, and reports
// multiply-adds per second. BM_FmaPeak measures the peak on the same
// processor: independent fused multiply-adds on eight-double registers with
// nothing loaded (16 chains, enough to cover the latency on two units), so
// the ratio of the two is the kernel's share of the machine bound, whatever
// the clock. Both run on one core.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "blocked_keys.h"

#if defined(__x86_64__) && defined(__ELF__)
#include <immintrin.h>
#endif

namespace {
void BM_PanelKeys(benchmark::State& state)
{
    const int32_t d = int32_t(state.range(0));
    const int64_t rows = kvs::PanelsPerPass(d) * kvs::kPanelRows;
    std::mt19937 random{uint32_t(d)};
    std::uniform_int_distribution<int32_t> coordinate(-5000, 5000);
    std::vector<int32_t> values(size_t(rows * d));
    for (int32_t& value : values)
        value = coordinate(random);
    const kvs::VectorTable table{values.data(), rows, d};
    std::vector<double> room(kvs::PackedDoubles(table) + 8);
    double* aligned = room.data() + (64 - reinterpret_cast<uintptr_t>(room.data()) % 64) % 64 / sizeof(double);
    const kvs::PackedTable packed = kvs::PackTable(table, aligned);
    std::vector<double> centres(size_t(kvs::kTileCentres * d), 3.0);
    const double centreLengths[kvs::kTileCentres] = {};
    alignas(64) int64_t keys[kvs::kTileCentres * kvs::kPanelRows];
    const int64_t panels = rows / kvs::kPanelRows;
    for (auto _ : state) {
        for (int64_t p = 0; p < panels; ++p) {
            kvs::PanelKeys(packed.panels + p * d * kvs::kPanelRows, packed.lengths + p * kvs::kPanelRows,
                           centres.data(), centreLengths, d, keys);
            benchmark::DoNotOptimize(keys);
        }
    }
    const double fmas = double(panels) * kvs::kTileCentres * kvs::kPanelRows * d;
    state.counters["FMA/s"] = benchmark::Counter(fmas, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PanelKeys)->Arg(16)->Arg(32)->Arg(64)->Arg(128)->Arg(768);

#if defined(__x86_64__) && defined(__ELF__)
__attribute__((target("avx512f"))) void FmaChains(benchmark::State& state)
{
    constexpr int kChains = 16;
    constexpr int kRounds = 1 << 16;
    __m512d chains[kChains];
    for (int i = 0; i < kChains; ++i)
        chains[i] = _mm512_set1_pd(double(i));
    const __m512d scale = _mm512_set1_pd(1.0);
    const __m512d add = _mm512_set1_pd(1.0);
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
#pragma GCC unroll 16
            for (int i = 0; i < kChains; ++i)
                chains[i] = _mm512_fmadd_pd(chains[i], scale, add);
        }
        benchmark::DoNotOptimize(chains);
    }
    state.counters["FMA/s"] =
        benchmark::Counter(double(kRounds) * kChains * 8, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_FmaPeak(benchmark::State& state)
{
    if (!__builtin_cpu_supports("avx512f")) {
        state.SkipWithError("no AVX-512");
        return;
    }
    FmaChains(state);
}
BENCHMARK(BM_FmaPeak);
#endif
}  // namespace
