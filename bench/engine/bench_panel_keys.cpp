// The blocked key pass alone, against the processor's peak for its
// instructions, on one core. A tile of 8 centres against a panel of 16 rows
// costs 128·d multiply-adds; BM_PanelKeys runs the kernel over a group of
// panels that stays in the second-level cache, as the search does, with the
// table laid out as the search lays it out (word pairs where the processor
// has them and the values fit, as here, in 32-bit lanes throughout where
// every key is below 2^32; label "32-bit pairs", "pairs" or "doubles"), and
// reports multiply-adds per second. The peaks are measured on the same
// processor, so the ratio holds whatever the clock: BM_DoublesPeak runs
// independent fused multiply-adds on eight-double registers, BM_PairsPeak
// independent VNNI multiply-adds of 32 word products (vpdpwssd), 16 chains
// each with nothing loaded, enough to cover the latency on two units.
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
    std::vector<int32_t> rangeRoom(kvs::ColumnRangeValues(table));
    const kvs::ColumnRanges ranges = kvs::FindColumnRanges(table, 1, rangeRoom.data());
    const kvs::PackLayout layout = kvs::ChooseLayout(table, ranges);
    std::vector<double> room(kvs::PackedBytes(table, layout) / sizeof(double) + 8);
    double* aligned = room.data() + (64 - reinterpret_cast<uintptr_t>(room.data()) % 64) % 64 / sizeof(double);
    const kvs::PackedTable packed = kvs::PackTable(table, ranges, layout, aligned, 1);
    std::vector<double> centres(size_t(kvs::kTileCentres * d), 3.0);
    std::vector<int32_t> centrePairs(size_t(kvs::kTileCentres * packed.pairs), 3);
    const double centreLengths[kvs::kTileCentres] = {};
    const int64_t centrePairLengths[kvs::kTileCentres] = {};
    alignas(64) int64_t keys[kvs::kTileCentres * 2 * kvs::kPanelRows];
    uint32_t within[kvs::kTileCentres];
    const int64_t panels = rows / kvs::kPanelRows;
    alignas(64) uint32_t narrowKeys[kvs::kTileCentres * 2 * kvs::kPanelRows];
    for (auto _ : state) {
        for (int64_t p = 0; p < panels; p += packed.paired() ? 2 : 1) {
            if (packed.narrowKeys)
                kvs::PairPanelKeys(packed.pairPanels + p * packed.pairs * kvs::kPanelRows,
                                   packed.pairPanels + (p + 1) * packed.pairs * kvs::kPanelRows,
                                   packed.pairLengths + p * kvs::kPanelRows,
                                   packed.pairLengths + (p + 1) * kvs::kPanelRows, centrePairs.data(),
                                   centrePairLengths, packed.pairs, packed.pairs, UINT32_MAX, narrowKeys, within);
            else if (packed.paired())
                kvs::PairPanelKeys(packed.pairPanels + p * packed.pairs * kvs::kPanelRows,
                                   packed.pairPanels + (p + 1) * packed.pairs * kvs::kPanelRows,
                                   packed.pairLengths + p * kvs::kPanelRows,
                                   packed.pairLengths + (p + 1) * kvs::kPanelRows, centrePairs.data(),
                                   centrePairLengths, packed.pairs, packed.groupPairs, INT64_MAX, keys, within);
            else
                kvs::PanelKeys(packed.panels + p * d * kvs::kPanelRows, packed.lengths + p * kvs::kPanelRows,
                               centres.data(), centreLengths, d, INT64_MAX, keys, within);
            benchmark::DoNotOptimize(keys);
            benchmark::DoNotOptimize(narrowKeys);
            benchmark::DoNotOptimize(within);
        }
    }
    const double macs = double(panels) * kvs::kTileCentres * kvs::kPanelRows * d;
    state.counters["MAC/s"] = benchmark::Counter(macs, benchmark::Counter::kIsIterationInvariantRate);
    state.SetLabel(packed.narrowKeys ? "32-bit pairs" : packed.paired() ? "pairs" : "doubles");
}
BENCHMARK(BM_PanelKeys)->Arg(16)->Arg(32)->Arg(64)->Arg(128)->Arg(768);

#if defined(__x86_64__) && defined(__ELF__)
constexpr int kChains = 16;
constexpr int kRounds = 1 << 16;

__attribute__((target("avx512f"))) void DoublesChains(benchmark::State& state)
{
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
    state.counters["MAC/s"] =
        benchmark::Counter(double(kRounds) * kChains * 8, benchmark::Counter::kIsIterationInvariantRate);
}

__attribute__((target("avx512f,avx512vnni"))) void PairsChains(benchmark::State& state)
{
    __m512i chains[kChains];
    for (int i = 0; i < kChains; ++i)
        chains[i] = _mm512_set1_epi32(i);
    const __m512i a = _mm512_set1_epi32(3);
    const __m512i b = _mm512_set1_epi32(5);
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
#pragma GCC unroll 16
            for (int i = 0; i < kChains; ++i)
                chains[i] = _mm512_dpwssd_epi32(chains[i], a, b);
        }
        benchmark::DoNotOptimize(chains);
    }
    state.counters["MAC/s"] =
        benchmark::Counter(double(kRounds) * kChains * 32, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_DoublesPeak(benchmark::State& state)
{
    if (!__builtin_cpu_supports("avx512f"))
        return state.SkipWithError("no AVX-512");
    DoublesChains(state);
}
BENCHMARK(BM_DoublesPeak);

void BM_PairsPeak(benchmark::State& state)
{
    if (!__builtin_cpu_supports("avx512vnni"))
        return state.SkipWithError("no AVX-512 VNNI");
    PairsChains(state);
}
BENCHMARK(BM_PairsPeak);
#endif
}  // namespace
