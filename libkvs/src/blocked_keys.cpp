#include "blocked_keys.h"

#include "cpu_dispatch.h"

#if defined(__x86_64__) && defined(__ELF__)
#include <immintrin.h>
#define KVS_AVX512_TILES 1
#endif

namespace kvs {

uint64_t PackedDoubles(const VectorTable& table)
{
    const uint64_t padded = uint64_t((table.rows + kPanelRows - 1) / kPanelRows * kPanelRows);
    return padded * uint64_t(table.dimension) + padded;
}

PackedTable PackTable(const VectorTable& table, double* room)
{
    const int32_t d = table.dimension;
    const int64_t n = table.rows;
    const int64_t padded = (n + kPanelRows - 1) / kPanelRows * kPanelRows;
    double* panels = room;
    double* lengths = room + padded * d;
    std::fill(room, room + padded * d + padded, 0.0);
    for (int32_t k = 0; k < d; ++k) {
        int32_t low = table.values[k];
        int32_t high = low;
        for (int64_t row = 1; row < n; ++row) {
            low = std::min(low, table.values[row * d + k]);
            high = std::max(high, table.values[row * d + k]);
        }
        const int64_t midpoint = int64_t(low) + (int64_t(high) - int64_t(low)) / 2;
        for (int64_t row = 0; row < n; ++row) {
            const double value = double(int64_t(table.values[row * d + k]) - midpoint);
            panels[(row / kPanelRows * d + k) * kPanelRows + row % kPanelRows] = value;
            lengths[row] += value * value;
        }
    }
    return {panels, lengths, n, d};
}

namespace {
// Any processor: the compiler vectorises the rows of the panel.
KVS_AVX2_CLONES void PlainPanelKeys(const double* panel, const double* rowLengths, const double* centres,
                                    const double* centreLengths, int32_t d, int64_t* keys)
{
    double dots[kTileCentres * kPanelRows] = {};
    for (int32_t k = 0; k < d; ++k) {
        const double* values = panel + k * kPanelRows;
        for (int c = 0; c < kTileCentres; ++c) {
            const double centre = centres[int64_t(c) * d + k];
            for (int r = 0; r < kPanelRows; ++r)
                dots[c * kPanelRows + r] += centre * values[r];
        }
    }
    for (int c = 0; c < kTileCentres; ++c) {
        for (int r = 0; r < kPanelRows; ++r)
            keys[c * kPanelRows + r] = int64_t(centreLengths[c] + rowLengths[r] - 2 * dots[c * kPanelRows + r]);
    }
}

#ifdef KVS_AVX512_TILES
// The whole tile in sixteen registers of eight doubles: per coordinate, two
// loads of the panel serve sixteen fused multiply-adds.
__attribute__((target("avx512f,avx512dq"))) void Avx512PanelKeys(const double* panel, const double* rowLengths,
                                                                  const double* centres,
                                                                  const double* centreLengths, int32_t d,
                                                                  int64_t* keys)
{
    __m512d low[kTileCentres];
    __m512d high[kTileCentres];
    for (int c = 0; c < kTileCentres; ++c) {
        low[c] = _mm512_setzero_pd();
        high[c] = _mm512_setzero_pd();
    }
    for (int32_t k = 0; k < d; ++k) {
        const __m512d first = _mm512_load_pd(panel + k * kPanelRows);
        const __m512d second = _mm512_load_pd(panel + k * kPanelRows + 8);
#pragma GCC unroll 8
        for (int c = 0; c < kTileCentres; ++c) {
            const __m512d centre = _mm512_set1_pd(centres[int64_t(c) * d + k]);
            low[c] = _mm512_fmadd_pd(centre, first, low[c]);
            high[c] = _mm512_fmadd_pd(centre, second, high[c]);
        }
    }
    const __m512d lengthsLow = _mm512_loadu_pd(rowLengths);
    const __m512d lengthsHigh = _mm512_loadu_pd(rowLengths + 8);
    const __m512d minusTwo = _mm512_set1_pd(-2.0);
    for (int c = 0; c < kTileCentres; ++c) {
        const __m512d centre = _mm512_set1_pd(centreLengths[c]);
        const __m512d keyLow = _mm512_fmadd_pd(minusTwo, low[c], _mm512_add_pd(centre, lengthsLow));
        const __m512d keyHigh = _mm512_fmadd_pd(minusTwo, high[c], _mm512_add_pd(centre, lengthsHigh));
        _mm512_store_si512(keys + c * kPanelRows, _mm512_cvttpd_epi64(keyLow));
        _mm512_store_si512(keys + c * kPanelRows + 8, _mm512_cvttpd_epi64(keyHigh));
    }
}

using PanelKeysFunction = void (*)(const double*, const double*, const double*, const double*, int32_t, int64_t*);
PanelKeysFunction ChoosePanelKeys()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") ? Avx512PanelKeys
                                                                                    : PlainPanelKeys;
}
#endif
}  // namespace

void PanelKeys(const double* panel, const double* rowLengths, const double* centres, const double* centreLengths,
               int32_t dimension, int64_t* keys)
{
#ifdef KVS_AVX512_TILES
    static const PanelKeysFunction chosen = ChoosePanelKeys();
    chosen(panel, rowLengths, centres, centreLengths, dimension, keys);
#else
    PlainPanelKeys(panel, rowLengths, centres, centreLengths, dimension, keys);
#endif
}

}  // namespace kvs
