// Keys of many centres at once, as a matrix product: the key of centre a and
// row b is |a|² + |b|² − 2·a·b over the coordinates moved by each column's
// midpoint. Two layouts, each exact by construction:
// - Word pairs. When every moved value fits 16 bits (its magnitude, the
//   reach R, at most 2^15 - 1), on a processor with AVX-512 VNNI: the dot
//   products are summed from pairs of 16-bit products into 32-bit lanes, a
//   group of G pairs at a time, G·2R² < 2^31, so that a group's sum is exact
//   in 32 bits (its partial sums may wrap, which modular addition undoes);
//   the groups' sums, the squared lengths and the key are added in 64 bits,
//   where they are exact: the key is at most 4C, C (the table's centred
//   squares: the sum over the columns of the squared reach) below 2^61.
// - Doubles, when C is at most 2^51: every value that arises (the squares,
//   the dot products and their partial sums, at most C; the key, at most 4C)
//   is an integer below 2^53, where doubles hold integers exactly and every
//   sum and product of them is rounded to itself, in any order.
//
// The rows are laid out in panels of kPanelRows, coordinate (or pair of
// coordinates) after coordinate, so that one loaded vector of a panel serves
// a whole tile of centres.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>

#include <kvs/search.h>

#include "table_range.h"
#include "wide_score.h"

namespace kvs {

constexpr int kPanelRows = 16;
constexpr int kTileCentres = 8;
// The tables whose dense keys are made in blocks: from this many columns on
// and up to this many rows (search.cpp weighs the rest).
constexpr int32_t kFewestBlockedDimensions = 8;
constexpr int64_t kMostBlockedRows = int64_t(1) << 21;
// The largest centred squares for which the keys in doubles are exact.
constexpr SearchScore kLargestCentredSquares = SearchScore(1) << 51;

// The largest sum of word-pair products a 32-bit lane holds.
constexpr int64_t kLargestLaneSum = (int64_t(1) << 31) - 1;

// The table moved to its midpoints and laid out in panels, with each row's
// squared length; rows are padded to whole panels with zeros.
struct PackedTable {
    const double* panels = nullptr;  // doubles: panel p, coordinate k, row r at (p·d + k)·kPanelRows + r
    const double* lengths = nullptr;
    // or word pairs: panel p, pair j (coordinates 2j and 2j + 1, the first in
    // the low half), row r at (p·pairs + j)·kPanelRows + r
    const int32_t* pairPanels = nullptr;
    const int64_t* pairLengths = nullptr;
    int64_t rows = 0;
    int32_t dimension = 0;
    int32_t pairs = 0;  // (d + 1) / 2
    int32_t groupPairs = 0;  // pairs summed in 32 bits before they are widened
    // Every key below 2^32: the word pairs' keys are made in 32-bit lanes
    // throughout, exact modulo 2^32 and so exact.
    bool narrowKeys = false;

    bool paired() const { return pairPanels != nullptr; }
};

// Whether this processor makes the keys from word pairs (AVX-512 VNNI).
bool WordPairsAvailable();

// The doubles the table takes laid out in doubles.
uint64_t PackedDoubles(const VectorTable& table);

// How the table is laid out: in word pairs, groupPairs of them summed in 32
// bits at a time, or in doubles (groupPairs 0).
struct PackLayout {
    int32_t groupPairs = 0;
    bool narrowKeys = false;  // as in PackedTable
};
// Word pairs where they are exact and the processor has them, else doubles
// (which the search asks for only where they are exact).
PackLayout ChooseLayout(const VectorTable& table, const ColumnRanges& ranges);
// The bytes the table takes in that layout.
uint64_t PackedBytes(const VectorTable& table, const PackLayout& layout);
// Fills room (PackedBytes of it, aligned to 64 bytes, its contents
// whatever they were: every byte is written, the padding rows with zeros)
// with the table laid out for BlockKeys, the panels shared among up to
// `threads` threads.
PackedTable PackTable(const VectorTable& table, const ColumnRanges& ranges, const PackLayout& layout, void* room,
                      int threads);

// The keys of a tile of kTileCentres centres (their values, centre after
// centre, in centres, and their squared lengths in centreLengths) to the rows
// of one panel (their squared lengths in rowLengths): keys[c·kPanelRows + r],
// and bit r of within[c] set when that key is no greater than radius.
// The doubles run on the widest vectors the processor has.
void PanelKeys(const double* panel, const double* rowLengths, const double* centres, const double* centreLengths,
               int32_t dimension, int64_t radius, int64_t* keys, uint32_t* within);
// The same in word pairs for two panels at once (the rows of panel, then
// those of next, each with its squared lengths): keys[c·2·kPanelRows + r];
// TileKey int64_t, or uint32_t for a table whose keys are all below 2^32
// (narrowKeys, with groupPairs = pairs).
template <typename TileKey>
void PairPanelKeys(const int32_t* panel, const int32_t* next, const int64_t* rowLengths,
                   const int64_t* nextLengths, const int32_t* centres, const int64_t* centreLengths, int32_t pairs,
                   int32_t groupPairs, TileKey radius, TileKey* keys, uint32_t* within);

// Panels that stay in the processor's second-level cache while every tile of
// a block of centres runs over them.
inline int64_t PanelsPerPass(int32_t dimension)
{
    return std::max<int64_t>(1, (256 * 1024) / (int64_t(dimension) * kPanelRows * int64_t(sizeof(double))));
}

// Runs the kernel over every tile of count centres (rows of the table, count
// a multiple of kTileCentres) and every panel, and hands each tile's keys
// (64-bit, or 32-bit for narrowKeys) to
// visit(tile, row0, rows, keys, stride, within): the keys of centre
// tile + c to rows row0 + r at keys[c·stride + r], r < rows, and bit r of
// within[c] set when that key is no greater than limit. Rows are handed out in
// order for each centre. centreValues is room for count·d doubles.
template <typename Visit>
void ForEachTileKeys(const PackedTable& packed, const int64_t* centres, int count, int64_t limit,
                     double* centreValues, Visit visit)
{
    const int32_t d = packed.dimension;
    const int32_t width = packed.paired() ? packed.pairs : d;
    int32_t* centrePairs = reinterpret_cast<int32_t*>(centreValues);
    for (int i = 0; i < count; ++i) {
        const int64_t first = centres[i] / kPanelRows * width * kPanelRows + centres[i] % kPanelRows;
        for (int32_t k = 0; k < width; ++k) {
            if (packed.paired())
                centrePairs[int64_t(i) * width + k] = packed.pairPanels[first + k * kPanelRows];
            else
                centreValues[int64_t(i) * width + k] = packed.panels[first + k * kPanelRows];
        }
    }
    const int64_t panels = (packed.rows + kPanelRows - 1) / kPanelRows;
    const int64_t step = PanelsPerPass(d);
    // Word pairs run two panels at once; a last odd panel is paired with itself.
    const int64_t panelsPerCall = packed.paired() ? 2 : 1;
    alignas(64) int64_t tileKeys[kTileCentres * 2 * kPanelRows];
    alignas(64) uint32_t narrowTileKeys[kTileCentres * 2 * kPanelRows];
    const uint32_t narrowLimit = uint32_t(std::min<int64_t>(limit, UINT32_MAX));
    uint32_t within[kTileCentres];
    double centreLengths[kTileCentres];
    int64_t centrePairLengths[kTileCentres];
    for (int64_t first = 0; first < panels; first += step) {
        const int64_t last = std::min(panels, first + step);
        for (int tile = 0; tile < count; tile += kTileCentres) {
            for (int c = 0; c < kTileCentres; ++c) {
                if (packed.paired())
                    centrePairLengths[c] = packed.pairLengths[centres[tile + c]];
                else
                    centreLengths[c] = packed.lengths[centres[tile + c]];
            }
            for (int64_t p = first; p < last; p += panelsPerCall) {
                const int64_t row0 = p * kPanelRows;
                const int64_t next = p + 1 < last ? p + 1 : p;
                const int64_t callRows = (next == p ? 1 : panelsPerCall) * kPanelRows;
                const int rows = int(std::min<int64_t>(callRows, packed.rows - row0));
                const int stride = int(panelsPerCall * kPanelRows);
                if (packed.narrowKeys) {
                    PairPanelKeys(packed.pairPanels + p * width * kPanelRows,
                                  packed.pairPanels + next * width * kPanelRows, packed.pairLengths + row0,
                                  packed.pairLengths + next * kPanelRows, centrePairs + int64_t(tile) * width,
                                  centrePairLengths, width, width, narrowLimit, narrowTileKeys, within);
                    visit(tile, row0, rows, narrowTileKeys, stride, within);
                    continue;
                }
                if (packed.paired())
                    PairPanelKeys(packed.pairPanels + p * width * kPanelRows,
                                  packed.pairPanels + next * width * kPanelRows, packed.pairLengths + row0,
                                  packed.pairLengths + next * kPanelRows, centrePairs + int64_t(tile) * width,
                                  centrePairLengths, width, packed.groupPairs, limit, tileKeys, within);
                else
                    PanelKeys(packed.panels + p * width * kPanelRows, packed.lengths + row0,
                              centreValues + int64_t(tile) * width, centreLengths, width, limit, tileKeys, within);
                visit(tile, row0, rows, tileKeys, stride, within);
            }
        }
    }
}

// The keys of count centres (count a multiple of kTileCentres) to every row
// that are no greater than radius, in row order: found[i] of them for centre
// i, the first room of them written at keys[i·room]. The keys beyond radius
// are never written, so that a centre's radius filter costs nothing per row.
// centreValues is room for count·d doubles.
template <typename Key>
void BlockKeys(const PackedTable& packed, const int64_t* centres, int count, Key radius, int64_t room,
               double* centreValues, Key* keys, int64_t* found)
{
    std::fill(found, found + count, 0);
    // Every key is below 2^63.
    const int64_t limit = int64_t(std::min<Key>(radius, Key(INT64_MAX)));
    ForEachTileKeys(packed, centres, count, limit, centreValues,
                    [&](int tile, int64_t, int rows, const auto* tileKeys, int stride, const uint32_t* within) {
                        const uint32_t rowsMask = rows == 32 ? UINT32_MAX : (uint32_t(1) << rows) - 1;
                        for (int c = 0; c < kTileCentres; ++c) {
                            Key* out = keys + int64_t(tile + c) * room;
                            int64_t& kept = found[tile + c];
                            for (uint32_t bits = within[c] & rowsMask; bits != 0; bits &= bits - 1, ++kept) {
                                if (kept < room)
                                    out[kept] = Key(uint64_t(tileKeys[c * stride + std::countr_zero(bits)]));
                            }
                        }
                    });
}

// Every key of one centre, in row order: keys[row]. centreValues is room for
// kTileCentres·d doubles.
template <typename Key>
void CentreKeys(const PackedTable& packed, int64_t centre, double* centreValues, Key* keys)
{
    int64_t tile[kTileCentres];
    std::fill(tile, tile + kTileCentres, centre);
    ForEachTileKeys(packed, tile, kTileCentres, 0, centreValues,
                    [&](int, int64_t row0, int rows, const auto* tileKeys, int, const uint32_t*) {
                        for (int r = 0; r < rows; ++r)
                            keys[row0 + r] = Key(uint64_t(tileKeys[r]));
                    });
}

}  // namespace kvs
