#include "row_grid.h"

#include <algorithm>
#include <cmath>

namespace kvs {

namespace {
// A cell holds about s / kCellShare rows of an even spread, at least
// kFewestCellRows: a centre's s nearest rows then lie in the few cells
// around its own, and a cell's pass is long enough to run on vectors and
// to outweigh what each cell costs besides (finding it, its bounds, its
// corner): at s 20 a cell of 32 rows searched in 0.8 of the time of one of 5.
constexpr double kCellShare = 4;
constexpr double kFewestCellRows = 32;
// The cells may be up to this many times the target where some columns are
// narrower than a cell.
constexpr int64_t kMostCellsOverTarget = 4;
// The cells pay while a row's cell holds at most this many times the rows
// of an even spread.
constexpr double kMostUneven = 4;
constexpr int64_t kMostOffset = 1 << 16;

double RowsPerCell(int64_t size) { return std::max(kFewestCellRows, double(size) / kCellShare); }

// The kGridColumns widest columns that are not constant, in column order.
void ChooseColumns(const ColumnRanges& ranges, GridShape& shape)
{
    int32_t widest[kGridColumns];
    for (int32_t k = 0; k < ranges.dimension; ++k) {
        const int64_t spread = int64_t(ranges.high[k]) - ranges.low[k];
        if (spread == 0)
            continue;
        int slot = shape.columns;
        if (slot == kGridColumns) {
            slot = int(std::min_element(widest, widest + kGridColumns, [&](int32_t a, int32_t b) {
                           return int64_t(ranges.high[a]) - ranges.low[a] < int64_t(ranges.high[b]) - ranges.low[b];
                       }) -
                       widest);
            if (int64_t(ranges.high[widest[slot]]) - ranges.low[widest[slot]] >= spread)
                continue;
        } else {
            ++shape.columns;
        }
        widest[slot] = k;
    }
    // In column order (an insertion sort: std::sort trips GCC's bounds warning on three values).
    for (int k = 0; k < shape.columns; ++k) {
        int j = k;
        for (; j > 0 && shape.column[j - 1] > widest[k]; --j)
            shape.column[j] = shape.column[j - 1];
        shape.column[j] = widest[k];
    }
}

int64_t CellCount(GridShape& shape, const ColumnRanges& ranges)
{
    int64_t count = 1;
    for (int k = 0; k < shape.columns; ++k) {
        const int32_t j = shape.column[k];
        shape.low[k] = ranges.low[j];
        shape.cells[k] = (int64_t(ranges.high[j]) - ranges.low[j]) / shape.width + 1;
        count *= shape.cells[k];
    }
    return count;
}
}  // namespace

GridShape ChooseGridShape(const VectorTable& table, const ColumnRanges& ranges, int64_t size)
{
    GridShape shape;
    ChooseColumns(ranges, shape);
    if (shape.columns == 0)
        return shape;
    const double target = std::max(1.0, double(table.rows) / RowsPerCell(size));
    double volume = 1;
    for (int k = 0; k < shape.columns; ++k)
        volume *= double(int64_t(ranges.high[shape.column[k]]) - ranges.low[shape.column[k]] + 1);
    shape.width = std::max<int64_t>(1, int64_t(std::ceil(std::pow(volume / target, 1.0 / shape.columns))));
    const int64_t most = kMostCellsOverTarget * int64_t(target) + 64;
    for (shape.cellCount = CellCount(shape, ranges); shape.cellCount > most;
         shape.cellCount = CellCount(shape, ranges))
        shape.width += shape.width / 4 + 1;
    shape.offsets = shape.width <= kMostOffset;
    for (int32_t k = 0; k < ranges.dimension; ++k) {
        const bool gridColumn = std::find(shape.column, shape.column + shape.columns, k) != shape.column + shape.columns;
        if (!gridColumn && int64_t(ranges.high[k]) - ranges.low[k] >= kMostOffset)
            shape.offsets = false;
    }
    return shape;
}

bool GridCellsEven(const VectorTable& table, const GridShape& shape, const Allocator& allocator)
{
    Workspace countSpace(allocator, 1, SliceBytes<uint32_t>(uint64_t(shape.cellCount)));
    if (!countSpace.valid())
        return false;
    uint32_t* counts = reinterpret_cast<uint32_t*>(countSpace.slice(0));
    for (int64_t row = 0; row < table.rows; ++row)
        ++counts[shape.IndexOf(table.values + row * table.dimension)];
    // The sum over the rows of their cell's rows.
    double seen = 0;
    for (int64_t cell = 0; cell < shape.cellCount; ++cell)
        seen += double(counts[cell]) * counts[cell];
    const double even = double(table.rows) / double(shape.cellCount) + 1;
    return seen / double(table.rows) <= kMostUneven * even;
}

RowGrid::RowGrid(const VectorTable& table, const ColumnRanges& ranges, const GridShape& shape, int64_t begin,
                 int64_t end, const Allocator& allocator)
    : gridShape(shape), rows(table.rows), lowest(ranges.low),
      startSpace(allocator, 1, SliceBytes<uint32_t>(uint64_t(shape.cellCount) + 1)),
      valueSpace(allocator, 1, uint64_t(table.rows) * uint64_t(table.dimension) * valueBytes(), Fill::None),
      orderSpace(allocator, 1, SliceBytes<int32_t>(begin > 0 || end < table.rows ? uint64_t(end - begin) : 0))
{
    const bool narrower = begin > 0 || end < table.rows;
    Workspace rangeSpace(allocator, 1, SliceBytes<uint64_t>(narrower ? (uint64_t(table.rows) + 63) / 64 : 0));
    if (!startSpace.valid() || !valueSpace.valid() || !orderSpace.valid() || !rangeSpace.valid())
        return;
    cellStarts = reinterpret_cast<uint32_t*>(startSpace.slice(0));
    values = valueSpace.slice(0);
    uint64_t* inRange = narrower ? reinterpret_cast<uint64_t*>(rangeSpace.slice(0)) : nullptr;
    if (gridShape.offsets)
        Sort<uint16_t>(table, begin, end, inRange);
    else
        Sort<int32_t>(table, begin, end, inRange);
    if (inRange) {
        order = reinterpret_cast<int32_t*>(orderSpace.slice(0));
        int64_t count = 0;
        for (int64_t p = 0; p < table.rows; ++p) {
            if (inRange[p / 64] >> (p % 64) & 1)
                order[count++] = int32_t(p);
        }
    }
    ok = true;
}

// A counting sort of the rows by cell: the rows of each cell counted, the
// counts summed into each cell's first position, and the rows written there
// in table order (each cell's start moving on to the next cell's meanwhile,
// and moved back after).
template <typename Value>
void RowGrid::Sort(const VectorTable& table, int64_t begin, int64_t end, uint64_t* inRange)
{
    const int32_t d = table.dimension;
    const int64_t cells = gridShape.cellCount;
    for (int64_t row = 0; row < table.rows; ++row)
        ++cellStarts[gridShape.IndexOf(table.values + row * d) + 1];
    for (int64_t cell = 0; cell < cells; ++cell)
        cellStarts[cell + 1] += cellStarts[cell];
    Value* copy = reinterpret_cast<Value*>(values);
    for (int64_t row = 0; row < table.rows; ++row) {
        const int32_t* from = table.values + row * d;
        int64_t at[kGridColumns];
        gridShape.CellOf(from, at);
        const int64_t p = cellStarts[gridShape.Index(at)]++;
        for (int32_t k = 0; k < d; ++k)
            copy[k * rows + p] = Value(from[k] - Corner(k, at));
        if (inRange && row >= begin && row < end)
            inRange[p / 64] |= uint64_t(1) << (p % 64);
    }
    std::copy_backward(cellStarts, cellStarts + cells, cellStarts + cells + 1);
    cellStarts[0] = 0;
}

}  // namespace kvs
