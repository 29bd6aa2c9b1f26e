#include "blocked_keys.h"

#include <type_traits>

#include "cpu_dispatch.h"
#include "shared_work.h"

#if defined(__x86_64__) && defined(__ELF__)
#include <immintrin.h>
#define KVS_AVX512_TILES 1
#endif

namespace kvs {

namespace {
bool HasWordPairs();

int64_t PaddedRows(const VectorTable& table) { return (table.rows + kPanelRows - 1) / kPanelRows * kPanelRows; }

// The value of a column moved by its midpoint.
int64_t Moved(const ColumnRanges& ranges, const int32_t* row, int32_t k)
{
    return int64_t(row[k]) - Midpoint(ranges.low[k], ranges.high[k]);
}

// Lays out every row of every panel as `width` entries, the panels shared
// among up to `threads` threads: writeRow(values, out) writes a row's entry j
// at out[j·kPanelRows] and returns its squared length; the rows past the
// table's last (the padding of the last panel) are zeros.
template <typename Entry, typename Length, typename WriteRow>
void LayOutRows(const VectorTable& table, int threads, int32_t width, Entry* panels, Length* lengths,
                WriteRow writeRow)
{
    ShareItems(PaddedRows(table) / kPanelRows, threads, [&](int64_t panel) {
        for (int64_t row = panel * kPanelRows; row < (panel + 1) * kPanelRows; ++row) {
            Entry* out = panels + (panel * width * kPanelRows + row % kPanelRows);
            if (row < table.rows) {
                lengths[row] = writeRow(table.values + row * table.dimension, out);
                continue;
            }
            for (int32_t j = 0; j < width; ++j)
                out[j * kPanelRows] = 0;
            lengths[row] = 0;
        }
    });
}

PackedTable PackPairs(const VectorTable& table, const ColumnRanges& ranges, int threads, int32_t* panels,
                      int64_t* lengths)
{
    const int32_t d = table.dimension;
    const int32_t pairs = (d + 1) / 2;
    LayOutRows(table, threads, pairs, panels, lengths, [&](const int32_t* values, int32_t* out) {
        int64_t length = 0;
        for (int32_t j = 0; j < pairs; ++j) {
            const int64_t first = Moved(ranges, values, 2 * j);
            const int64_t second = 2 * j + 1 < d ? Moved(ranges, values, 2 * j + 1) : 0;
            out[j * kPanelRows] =
                int32_t(uint32_t(uint16_t(int16_t(first))) | uint32_t(uint16_t(int16_t(second))) << 16);
            length += first * first + second * second;
        }
        return length;
    });
    PackedTable packed;
    packed.pairPanels = panels;
    packed.pairLengths = lengths;
    packed.rows = table.rows;
    packed.dimension = d;
    packed.pairs = pairs;
    return packed;
}

PackedTable PackDoubles(const VectorTable& table, const ColumnRanges& ranges, int threads, double* panels,
                        double* lengths)
{
    const int32_t d = table.dimension;
    LayOutRows(table, threads, d, panels, lengths, [&](const int32_t* values, double* out) {
        double length = 0;
        for (int32_t k = 0; k < d; ++k) {
            const double moved = double(Moved(ranges, values, k));
            out[k * kPanelRows] = moved;
            length += moved * moved;
        }
        return length;
    });
    PackedTable packed;
    packed.panels = panels;
    packed.lengths = lengths;
    packed.rows = table.rows;
    packed.dimension = d;
    return packed;
}
}  // namespace

uint64_t PackedDoubles(const VectorTable& table)
{
    const uint64_t padded = uint64_t(PaddedRows(table));
    return padded * uint64_t(table.dimension) + padded;
}

PackLayout ChooseLayout(const VectorTable& table, const ColumnRanges& ranges)
{
    PackLayout layout;
    const int64_t reach = LargestReach(ranges);
    if (!HasWordPairs() || reach > INT16_MAX)
        return layout;
    const int64_t pairs = (table.dimension + 1) / 2;
    layout.groupPairs = int32_t(reach == 0 ? pairs : std::min(pairs, kLargestLaneSum / (2 * reach * reach)));
    layout.narrowKeys = LargestKey(ranges) <= UINT32_MAX;
    return layout;
}

uint64_t PackedBytes(const VectorTable& table, const PackLayout& layout)
{
    if (layout.groupPairs == 0)
        return PackedDoubles(table) * sizeof(double);
    const uint64_t padded = uint64_t(PaddedRows(table));
    return padded * sizeof(int64_t) + padded * uint64_t((table.dimension + 1) / 2) * sizeof(int32_t);
}

PackedTable PackTable(const VectorTable& table, const ColumnRanges& ranges, const PackLayout& layout, void* room,
                      int threads)
{
    const int64_t padded = PaddedRows(table);
    if (layout.groupPairs > 0) {
        int64_t* lengths = static_cast<int64_t*>(room);
        PackedTable packed =
            PackPairs(table, ranges, threads, reinterpret_cast<int32_t*>(lengths + padded), lengths);
        packed.groupPairs = layout.groupPairs;
        packed.narrowKeys = layout.narrowKeys;
        return packed;
    }
    double* lengths = static_cast<double*>(room);
    return PackDoubles(table, ranges, threads, lengths + padded, lengths);
}

namespace {
// Any processor: the compiler vectorises the rows of the panel.
KVS_AVX2_CLONES void PlainPanelKeys(const double* panel, const double* rowLengths, const double* centres,
                                    const double* centreLengths, int32_t d, int64_t radius, int64_t* keys,
                                    uint32_t* within)
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
        within[c] = 0;
        for (int r = 0; r < kPanelRows; ++r) {
            const int64_t key = int64_t(centreLengths[c] + rowLengths[r] - 2 * dots[c * kPanelRows + r]);
            keys[c * kPanelRows + r] = key;
            within[c] |= uint32_t(key <= radius) << r;
        }
    }
}

#ifdef KVS_AVX512_TILES
// The whole tile in sixteen registers of eight doubles: per coordinate, two
// loads of the panel serve sixteen fused multiply-adds.
__attribute__((target("avx512f,avx512dq"))) void Avx512PanelKeys(const double* panel, const double* rowLengths,
                                                                  const double* centres,
                                                                  const double* centreLengths, int32_t d,
                                                                  int64_t radius, int64_t* keys, uint32_t* within)
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
    const __m512i limit = _mm512_set1_epi64(radius);
    for (int c = 0; c < kTileCentres; ++c) {
        const __m512d centre = _mm512_set1_pd(centreLengths[c]);
        const __m512d keyLow = _mm512_fmadd_pd(minusTwo, low[c], _mm512_add_pd(centre, lengthsLow));
        const __m512d keyHigh = _mm512_fmadd_pd(minusTwo, high[c], _mm512_add_pd(centre, lengthsHigh));
        const __m512i first = _mm512_cvttpd_epi64(keyLow);
        const __m512i second = _mm512_cvttpd_epi64(keyHigh);
        _mm512_store_si512(keys + c * kPanelRows, first);
        _mm512_store_si512(keys + c * kPanelRows + 8, second);
        within[c] = uint32_t(_mm512_cmple_epi64_mask(first, limit)) |
                    uint32_t(_mm512_cmple_epi64_mask(second, limit)) << 8;
    }
}

// A tile of 8 centres × 32 rows in sixteen registers of sixteen 32-bit
// lanes: per pair of coordinates, two loads of the panels and eight
// broadcasts serve sixteen multiply-adds of sixteen word pairs each. After
// each group the lanes are widened into the tile's 64-bit sums (TileKey
// int64_t), straight from the registers; after the last one the sums are
// compared with radius. With every key below 2^32 (TileKey uint32_t) there is
// one group and the keys are made in the 32-bit lanes, modulo 2^32.
template <typename TileKey>
__attribute__((target("avx512f,avx512vnni"))) void VnniPairPanelKeys(
    const int32_t* panel, const int32_t* next, const int64_t* rowLengths, const int64_t* nextLengths,
    const int32_t* centres, const int64_t* centreLengths, int32_t pairs, int32_t groupPairs, TileKey radius,
    TileKey* keys, uint32_t* within)
{
    static_assert(kTileCentres == 8, "two registers per centre");
    constexpr int kRows = 2 * kPanelRows;
    constexpr bool kNarrow = std::is_same_v<TileKey, uint32_t>;
    // The rows' squared lengths, eight rows a register, or sixteen modulo 2^32.
    __m512i lengths[4];
    if constexpr (kNarrow) {
        alignas(64) uint32_t narrow[kRows];
        for (int r = 0; r < kPanelRows; ++r) {
            narrow[r] = uint32_t(rowLengths[r]);
            narrow[kPanelRows + r] = uint32_t(nextLengths[r]);
        }
        lengths[0] = _mm512_load_si512(narrow);
        lengths[1] = _mm512_load_si512(narrow + kPanelRows);
    } else {
        lengths[0] = _mm512_loadu_si512(rowLengths);
        lengths[1] = _mm512_loadu_si512(rowLengths + 8);
        lengths[2] = _mm512_loadu_si512(nextLengths);
        lengths[3] = _mm512_loadu_si512(nextLengths + 8);
    }
    const __m512i limit = kNarrow ? _mm512_set1_epi32(int32_t(radius)) : _mm512_set1_epi64(int64_t(radius));
    for (int32_t first = 0; first < pairs; first += groupPairs) {
        const int32_t last = std::min(pairs, first + groupPairs);
        __m512i a0 = _mm512_setzero_si512(), a1 = a0, a2 = a0, a3 = a0, a4 = a0, a5 = a0, a6 = a0, a7 = a0;
        __m512i b0 = a0, b1 = a0, b2 = a0, b3 = a0, b4 = a0, b5 = a0, b6 = a0, b7 = a0;
        const int32_t* centre = centres + first;
        for (int32_t j = first; j < last; ++j, ++centre) {
            const __m512i rows = _mm512_load_si512(panel + j * kPanelRows);
            const __m512i more = _mm512_load_si512(next + j * kPanelRows);
            __m512i value = _mm512_set1_epi32(centre[0]);
            a0 = _mm512_dpwssd_epi32(a0, rows, value);
            b0 = _mm512_dpwssd_epi32(b0, more, value);
            value = _mm512_set1_epi32(centre[pairs]);
            a1 = _mm512_dpwssd_epi32(a1, rows, value);
            b1 = _mm512_dpwssd_epi32(b1, more, value);
            value = _mm512_set1_epi32(centre[2 * pairs]);
            a2 = _mm512_dpwssd_epi32(a2, rows, value);
            b2 = _mm512_dpwssd_epi32(b2, more, value);
            value = _mm512_set1_epi32(centre[3 * pairs]);
            a3 = _mm512_dpwssd_epi32(a3, rows, value);
            b3 = _mm512_dpwssd_epi32(b3, more, value);
            value = _mm512_set1_epi32(centre[4 * pairs]);
            a4 = _mm512_dpwssd_epi32(a4, rows, value);
            b4 = _mm512_dpwssd_epi32(b4, more, value);
            value = _mm512_set1_epi32(centre[5 * pairs]);
            a5 = _mm512_dpwssd_epi32(a5, rows, value);
            b5 = _mm512_dpwssd_epi32(b5, more, value);
            value = _mm512_set1_epi32(centre[6 * pairs]);
            a6 = _mm512_dpwssd_epi32(a6, rows, value);
            b6 = _mm512_dpwssd_epi32(b6, more, value);
            value = _mm512_set1_epi32(centre[7 * pairs]);
            a7 = _mm512_dpwssd_epi32(a7, rows, value);
            b7 = _mm512_dpwssd_epi32(b7, more, value);
        }
        const __m512i dots[2 * kTileCentres] = {a0, b0, a1, b1, a2, b2, a3, b3, a4, b4, a5, b5, a6, b6, a7, b7};
        if constexpr (kNarrow) {
#pragma GCC unroll 16
            for (int i = 0; i < 2 * kTileCentres; ++i) {
                const int c = i / 2;
                const __m512i base = _mm512_add_epi32(_mm512_set1_epi32(int32_t(centreLengths[c])), lengths[i % 2]);
                const __m512i key = _mm512_sub_epi32(base, _mm512_add_epi32(dots[i], dots[i]));
                _mm512_store_si512(keys + c * kRows + i % 2 * kPanelRows, key);
                const uint32_t marks = _mm512_cmple_epu32_mask(key, limit);
                within[c] = i % 2 == 0 ? marks : within[c] | marks << kPanelRows;
            }
            continue;
        }
        const bool lastGroup = last == pairs;
#pragma GCC unroll 16
        for (int i = 0; i < 2 * kTileCentres; ++i) {
            const int c = i / 2;
            TileKey* out = keys + c * kRows + i % 2 * kPanelRows;
            // (The zero-masking forms with every lane on: GCC 12 warns about
            // the undefined merge sources of the plain ones.)
            const __m512i low = _mm512_maskz_cvtepi32_epi64(0xff, _mm512_maskz_extracti64x4_epi64(0xf, dots[i], 0));
            const __m512i high = _mm512_maskz_cvtepi32_epi64(0xff, _mm512_maskz_extracti64x4_epi64(0xf, dots[i], 1));
            __m512i keyLow, keyHigh;
            if (first == 0) {
                const __m512i centreLength = _mm512_set1_epi64(centreLengths[c]);
                keyLow = _mm512_add_epi64(centreLength, lengths[i % 2 * 2]);
                keyHigh = _mm512_add_epi64(centreLength, lengths[i % 2 * 2 + 1]);
            } else {
                keyLow = _mm512_load_si512(out);
                keyHigh = _mm512_load_si512(out + 8);
            }
            keyLow = _mm512_sub_epi64(keyLow, _mm512_add_epi64(low, low));
            keyHigh = _mm512_sub_epi64(keyHigh, _mm512_add_epi64(high, high));
            _mm512_store_si512(out, keyLow);
            _mm512_store_si512(out + 8, keyHigh);
            if (lastGroup) {
                const uint32_t marks = uint32_t(_mm512_cmple_epi64_mask(keyLow, limit)) |
                                       uint32_t(_mm512_cmple_epi64_mask(keyHigh, limit)) << 8;
                if (i % 2 == 0)
                    within[c] = marks;
                else
                    within[c] |= marks << kPanelRows;
            }
        }
    }
}

using PanelKeysFunction = void (*)(const double*, const double*, const double*, const double*, int32_t, int64_t,
                                   int64_t*, uint32_t*);
PanelKeysFunction ChoosePanelKeys()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") ? Avx512PanelKeys
                                                                                    : PlainPanelKeys;
}
bool HasWordPairs()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512vnni");
}
#else
bool HasWordPairs() { return false; }
#endif
}  // namespace

bool WordPairsAvailable() { return HasWordPairs(); }

template <typename TileKey>
void PairPanelKeys(const int32_t* panel, const int32_t* next, const int64_t* rowLengths,
                   const int64_t* nextLengths, const int32_t* centres, const int64_t* centreLengths, int32_t pairs,
                   int32_t groupPairs, TileKey radius, TileKey* keys, uint32_t* within)
{
#ifdef KVS_AVX512_TILES
    VnniPairPanelKeys(panel, next, rowLengths, nextLengths, centres, centreLengths, pairs, groupPairs, radius, keys,
                      within);
#else
    // Never packed in pairs without the instructions.
    (void)panel, (void)next, (void)rowLengths, (void)nextLengths, (void)centres, (void)centreLengths, (void)pairs,
        (void)groupPairs, (void)radius, (void)keys, (void)within;
#endif
}
template void PairPanelKeys(const int32_t*, const int32_t*, const int64_t*, const int64_t*, const int32_t*,
                            const int64_t*, int32_t, int32_t, int64_t, int64_t*, uint32_t*);
template void PairPanelKeys(const int32_t*, const int32_t*, const int64_t*, const int64_t*, const int32_t*,
                            const int64_t*, int32_t, int32_t, uint32_t, uint32_t*, uint32_t*);

void PanelKeys(const double* panel, const double* rowLengths, const double* centres, const double* centreLengths,
               int32_t dimension, int64_t radius, int64_t* keys, uint32_t* within)
{
#ifdef KVS_AVX512_TILES
    static const PanelKeysFunction chosen = ChoosePanelKeys();
    chosen(panel, rowLengths, centres, centreLengths, dimension, radius, keys, within);
#else
    PlainPanelKeys(panel, rowLengths, centres, centreLengths, dimension, radius, keys, within);
#endif
}

}  // namespace kvs
