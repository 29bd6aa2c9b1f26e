// Keys of many centres at once, as a matrix product: the key of centre a and
// row b is |a|² + |b|² − 2·a·b over the coordinates moved by each column's
// midpoint, in doubles. Every value that arises is an integer: the squares,
// the dot products and their partial sums are at most the sum over the
// columns of the squared largest distance from the midpoint (the table's
// centred squares), and the key at most four times that. When that sum is at
// most 2^51, every one of them is below 2^53, where doubles hold integers
// exactly and every sum and product of them is rounded to itself: the keys
// are exact whatever order the additions run in.
//
// The rows are laid out in panels of kPanelRows, coordinate after coordinate,
// so that one loaded vector of a panel serves a whole tile of centres.
#pragma once

#include <algorithm>
#include <cstdint>

#include <kvs/search.h>

#include "wide_score.h"

namespace kvs {

constexpr int kPanelRows = 16;
constexpr int kTileCentres = 8;
// The largest centred squares for which the keys in doubles are exact.
constexpr SearchScore kLargestCentredSquares = SearchScore(1) << 51;

// The table moved to its midpoints, as doubles in panels, with each row's
// squared length.
struct PackedTable {
    const double* panels = nullptr;  // panel p, coordinate k, row r: panels[(p·d + k)·kPanelRows + r]
    const double* lengths = nullptr;  // |b|² for every row, padded to whole panels with 0
    int64_t rows = 0;
    int32_t dimension = 0;
};

// The doubles PackedTable needs for the table: panels, then lengths.
uint64_t PackedDoubles(const VectorTable& table);
// Fills room (PackedDoubles of it) with the table laid out for BlockKeys.
PackedTable PackTable(const VectorTable& table, double* room);

// The keys of a tile of kTileCentres centres (their coordinates, centre
// after centre, in centres, and their squared lengths in centreLengths) to
// the rows of one panel (their squared lengths in rowLengths):
// keys[c·kPanelRows + r]. Runs on the widest vectors the processor has.
void PanelKeys(const double* panel, const double* rowLengths, const double* centres, const double* centreLengths,
               int32_t dimension, int64_t* keys);

// Panels that stay in the processor's second-level cache while every tile of
// a block of centres runs over them.
inline int64_t PanelsPerPass(int32_t dimension)
{
    return std::max<int64_t>(1, (256 * 1024) / (int64_t(dimension) * kPanelRows * int64_t(sizeof(double))));
}

// The keys of count centres (rows of the table, count a multiple of
// kTileCentres) to every row: keys[i·rows + row]. centreValues is room for
// count·d doubles.
template <typename Key>
void BlockKeys(const PackedTable& packed, const int64_t* centres, int count, double* centreValues, Key* keys)
{
    const int32_t d = packed.dimension;
    double centreLengths[kTileCentres];
    for (int i = 0; i < count; ++i) {
        const double* panel = packed.panels + centres[i] / kPanelRows * d * kPanelRows;
        for (int32_t k = 0; k < d; ++k)
            centreValues[int64_t(i) * d + k] = panel[k * kPanelRows + centres[i] % kPanelRows];
    }
    const int64_t panels = (packed.rows + kPanelRows - 1) / kPanelRows;
    const int64_t step = PanelsPerPass(d);
    alignas(64) int64_t tileKeys[kTileCentres * kPanelRows];
    for (int64_t first = 0; first < panels; first += step) {
        const int64_t last = std::min(panels, first + step);
        for (int tile = 0; tile < count; tile += kTileCentres) {
            for (int c = 0; c < kTileCentres; ++c)
                centreLengths[c] = packed.lengths[centres[tile + c]];
            for (int64_t p = first; p < last; ++p) {
                const int64_t row0 = p * kPanelRows;
                PanelKeys(packed.panels + p * d * kPanelRows, packed.lengths + row0, centreValues + int64_t(tile) * d,
                          centreLengths, d, tileKeys);
                const int rowsHere = int(std::min<int64_t>(kPanelRows, packed.rows - row0));
                for (int c = 0; c < kTileCentres; ++c) {
                    Key* out = keys + int64_t(tile + c) * packed.rows + row0;
                    for (int r = 0; r < rowsHere; ++r)
                        out[r] = Key(uint64_t(tileKeys[c * kPanelRows + r]));
                }
            }
        }
    }
}

}  // namespace kvs
