// The table's rows sorted into a uniform grid of cells, for the grid method.
//
// The grid spans up to three of the columns (the widest ones; all of them
// where d is at most three), with square cells of one width w, sized from n
// and s so that a cell holds a small part of s rows on average. The rows are
// copied cell after cell, each cell's rows in table order, column after
// column (a column of all n rows, then the next), so that a cell's distances
// are a pass over contiguous values. Where the cells are narrow enough
// (w and every other column's spread at most 2^16) a value is kept as its
// 16-bit offset from its cell's corner, half or less of the table; else as
// the value itself. The original row of a copied row is not kept: the
// search finds it again by replaying the sort (GridRowsAt).
#pragma once

#include <cstdint>

#include <kvs/search.h>

#include "table_range.h"
#include "workspace.h"

namespace kvs {

// The most columns the cells span.
constexpr int kGridColumns = 3;

struct GridShape {
    int columns = 0;                  // the grid's columns, up to kGridColumns
    int32_t column[kGridColumns] = {};  // their positions in the row
    int64_t cells[kGridColumns] = {1, 1, 1};  // cells along each (1 past the grid's columns)
    int64_t low[kGridColumns] = {};   // the first cell's corner
    int64_t width = 1;                // of every cell, in every grid column
    int64_t cellCount = 1;
    bool offsets = false;  // values kept as 16-bit offsets from the cell's corner

    // The cell index of the cell at the given coordinates along the grid's columns.
    int64_t Index(const int64_t* at) const { return (at[0] * cells[1] + at[1]) * cells[2] + at[2]; }
    // The coordinates along the grid's columns of a row's cell.
    void CellOf(const int32_t* row, int64_t* at) const
    {
        for (int k = 0; k < kGridColumns; ++k)
            at[k] = k < columns ? (int64_t(row[column[k]]) - low[k]) / width : 0;
    }
    int64_t IndexOf(const int32_t* row) const
    {
        int64_t at[kGridColumns];
        CellOf(row, at);
        return Index(at);
    }
};

// The shape for a table of these column ranges, searched for subsets of size s.
GridShape ChooseGridShape(const VectorTable& table, const ColumnRanges& ranges, int64_t size);

// Whether the rows spread evenly enough over the cells of the shape for the
// grid to pay: a row's cell holds on average at most a few times the rows
// of an even spread. Reads the table once; false without the room.
bool GridCellsEven(const VectorTable& table, const GridShape& shape, const Allocator& allocator);

// The rows laid out in the grid, in room of their own from the allocator.
class RowGrid {
public:
    // valid() is false when the room could not be had. With a centre range
    // narrower than the table, the sorted positions of its rows are kept in
    // order (centreOrder).
    RowGrid(const VectorTable& table, const ColumnRanges& ranges, const GridShape& shape, int64_t begin,
            int64_t end, const Allocator& allocator);

    bool valid() const { return ok; }
    const GridShape& shape() const { return gridShape; }
    // Row p of the copy starts cell c when starts[c] == p; starts[cellCount] == n.
    const uint32_t* starts() const { return cellStarts; }
    // Column k of the copy: n values, uint16_t for offsets, int32_t else.
    const void* column(int32_t k) const { return values + size_t(k) * size_t(rows) * valueBytes(); }
    // The sorted positions of the centres, or null when every row is one.
    const int32_t* centreOrder() const { return order; }
    // The smallest value column k can have in the cell at the given
    // coordinates: its corner along a grid column, the column's smallest
    // value along another.
    int64_t CellLow(int32_t k, const int64_t* at) const
    {
        for (int j = 0; j < gridShape.columns; ++j) {
            if (gridShape.column[j] == k)
                return gridShape.low[j] + at[j] * gridShape.width;
        }
        return lowest[k];
    }
    // What column k's values in the cell at the given coordinates are kept
    // as offsets from: its CellLow, or 0 where values are kept whole.
    int64_t Corner(int32_t k, const int64_t* at) const { return gridShape.offsets ? CellLow(k, at) : 0; }
    // How far column k's values in a cell can reach beyond its CellLow, in
    // a table whose other columns are constant.
    int64_t Extent(int32_t k) const
    {
        for (int j = 0; j < gridShape.columns; ++j) {
            if (gridShape.column[j] == k)
                return gridShape.width - 1;
        }
        return 0;
    }
    // The last row of the table whose sorted position is marked, found by
    // replaying the sort; -1 when none is. counters is room for cellCount
    // values, zero-filled.
    template <typename Marked>
    int64_t LastMarkedRow(const VectorTable& table, Marked marked, uint32_t* counters) const
    {
        int64_t last = -1;
        for (int64_t row = 0; row < table.rows; ++row) {
            const int64_t cell = gridShape.IndexOf(table.values + row * table.dimension);
            if (marked(int64_t(cellStarts[cell]) + counters[cell]++))
                last = row;
        }
        return last;
    }

private:
    size_t valueBytes() const { return gridShape.offsets ? 2 : 4; }
    template <typename Value>
    void Sort(const VectorTable& table, int64_t begin, int64_t end, uint64_t* inRange);

    GridShape gridShape;
    int64_t rows = 0;
    const int32_t* lowest = nullptr;  // each column's smallest value
    Workspace startSpace;
    Workspace valueSpace;
    Workspace orderSpace;
    uint32_t* cellStarts = nullptr;
    unsigned char* values = nullptr;
    int32_t* order = nullptr;
    bool ok = false;
};

}  // namespace kvs
