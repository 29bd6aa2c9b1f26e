// Grid: the s nearest rows of every centre from the cells around it
// (row_grid.h), for tables of few coordinates.
//
// A centre's cells are visited ring by ring (the cells at Chebyshev
// distance r from its own along the grid's columns), each cell only when its
// box is within the limit: no row in it can be nearer than the box. The keys
// within the limit are collected; once s are, the limit falls to just below
// the s-th smallest, and the rings stop when every cell beyond them is
// farther than the limit. As in the dense method, a thread remembers the
// s-th smallest key (the radius) of its best centre and first counts and
// sums a centre's keys within that radius, on vectors, keeping none (in
// 32-bit lanes where a cell's keys are all below 2^32): a centre with fewer
// than s keys within it is bounded from below by those keys plus radius + 1
// for each missing one, and dropped when that bound is strictly above the
// best score, having read only the cells that touch the radius. Most
// centres end there; the others are searched within the radius when it
// holds s keys, else fully. The centres are taken in cell order, so
// neighbouring centres read the same cells from cache.
//
// The copy keeps no row numbers (the sorted positions stand in for them
// during the search): each thread marks the positions of the centres that
// tie its best score, and the winner, the last row of equal best scores, is
// found after by replaying the sort (RowGrid::LastMarkedRow).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "cpu_dispatch.h"
#include "row_grid.h"
#include "row_keys.h"
#include "search_methods.h"

namespace kvs {

namespace {
// Keys a centre's pass collects past 2·s before it keeps only the s smallest.
constexpr int64_t kPieceKeys = 512;
// Tied positions a thread lists, so that a better score clears only them;
// past that it clears all its marks.
constexpr int kListedTies = 64;

// (difference)^2 exactly, for a difference below 2^32 in magnitude; for
// 32-bit keys, which are chosen only when every square is below 2^32, modulo 2^32.
template <typename Key>
Key SquareOf(int64_t difference)
{
    if constexpr (std::is_same_v<Key, uint32_t>) {
        const uint32_t low = uint32_t(difference);
        return low * low;
    } else {
        const uint64_t sign = uint64_t(difference >> 63);
        const uint32_t magnitude = uint32_t((uint64_t(difference) ^ sign) - sign);
        return Key(uint64_t(magnitude) * magnitude);
    }
}

// The keys of rows [first, last) of the copy to a point that is base[k]
// along column k from what the rows' values are kept as: written to keys in order.
template <typename Key, typename Value>
static KVS_AVX2_CLONES void CellKeys(const Value* columns, int64_t rows, int32_t d, const int64_t* base,
                                     int64_t first, int64_t last, Key* keys)
{
    const int64_t count = last - first;
    if (d == 2) {
        const Value* xs = columns + first;
        const Value* ys = columns + rows + first;
        const int64_t bx = base[0];
        const int64_t by = base[1];
        for (int64_t i = 0; i < count; ++i)
            keys[i] = SquareOf<Key>(bx - int64_t(xs[i])) + SquareOf<Key>(by - int64_t(ys[i]));
        return;
    }
    std::fill(keys, keys + count, Key(0));
    for (int32_t k = 0; k < d; ++k) {
        const Value* values = columns + k * rows + first;
        const int64_t b = base[k];
        for (int64_t i = 0; i < count; ++i)
            keys[i] += SquareOf<Key>(b - int64_t(values[i]));
    }
}

// How many of the keys of rows [first, last) (as CellKeys) are no greater
// than limit; their sum is added to sum. None is kept. narrow: d is 2 and
// every key of these rows is below 2^32 (so every difference of a base and a
// value is below 2^16 in magnitude, and each base fits 32 bits).
template <typename Key, typename Value, typename Sum>
static KVS_AVX2_CLONES int64_t CellKeysWithin(const Value* columns, int64_t rows, int32_t d, const int64_t* base,
                                              int64_t first, int64_t last, Key limit, bool narrow, Sum& sum)
{
    int64_t count = 0;
    Sum within = 0;
    if (narrow) {
        // Every key of the cell is below 2^32: made in 32-bit lanes, twice as many a vector.
        const Value* xs = columns;
        const Value* ys = columns + rows;
        const int32_t bx = int32_t(base[0]);
        const int32_t by = int32_t(base[1]);
        const uint32_t narrowLimit = uint32_t(std::min<Key>(limit, Key(UINT32_MAX)));
        uint64_t narrowWithin = 0;
        for (int64_t i = first; i < last; ++i) {
            const uint32_t dx = uint32_t(bx) - uint32_t(xs[i]);
            const uint32_t dy = uint32_t(by) - uint32_t(ys[i]);
            const uint32_t key = dx * dx + dy * dy;
            count += key <= narrowLimit;
            narrowWithin += key <= narrowLimit ? key : 0;
        }
        within = Sum(narrowWithin);
    } else if (d == 2) {
        const Value* xs = columns;
        const Value* ys = columns + rows;
        const int64_t bx = base[0];
        const int64_t by = base[1];
        for (int64_t i = first; i < last; ++i) {
            const Key key = SquareOf<Key>(bx - int64_t(xs[i])) + SquareOf<Key>(by - int64_t(ys[i]));
            count += key <= limit;
            within += key <= limit ? key : 0;
        }
    } else {
        for (int64_t i = first; i < last; ++i) {
            Key key = 0;
            for (int32_t k = 0; k < d; ++k)
                key += SquareOf<Key>(base[k] - int64_t(columns[k * rows + i]));
            count += key <= limit;
            within += key <= limit ? key : 0;
        }
    }
    sum += within;
    return count;
}

// How far a value lies outside [low, high], squared.
SearchScore GapSquared(int64_t value, int64_t low, int64_t high)
{
    const int64_t gap = value < low ? low - value : value > high ? value - high : 0;
    return SearchScore(uint64_t(gap)) * uint64_t(gap);
}

template <typename Key, typename Value>
struct GridWorker {
    const RowGrid* grid = nullptr;
    const Value* columns = nullptr;
    int64_t rows = 0;
    int32_t d = 0;
    int64_t size = 0;
    const int32_t* order = nullptr;  // none: every sorted position is a centre
    Key* keys = nullptr;             // capacity
    int64_t capacity = 0;
    int64_t* point = nullptr;  // d: the centre's coordinates
    int64_t* base = nullptr;   // d: the centre less a cell's corner
    int64_t extent[2] = {};    // in two coordinates: how far a cell's values reach along each
    uint64_t* tied = nullptr;  // a bit for every sorted position
    int64_t* listed = nullptr;  // kListedTies
    int listedCount = 0;
    bool manyTied = false;
    bool anyTied = false;
    SearchScore tiedScore = 0;
    Key radius = 0;
    bool hasRadius = false;
    int64_t cell = 0;  // of the last centre
    int64_t cellAt[kGridColumns] = {};
    // The pass of one centre:
    int64_t count = 0;      // keys collected
    Key limit = 0;          // the largest key still collected
    bool complete = false;  // s keys of 0 are collected: nothing can lower the sum

    int64_t Centre(int64_t position) const { return order ? order[position] : position; }

    const GridShape& shape() const { return grid->shape(); }

    // The coordinates of the cell of the row at a sorted position.
    void CellAt(int64_t position, int64_t* at)
    {
        const uint32_t* starts = grid->starts();
        if (position < starts[cell] || position >= starts[cell + 1]) {
            cell = std::upper_bound(starts, starts + shape().cellCount + 1, uint32_t(position)) - starts - 1;
            cellAt[2] = cell % shape().cells[2];
            cellAt[1] = cell / shape().cells[2] % shape().cells[1];
            cellAt[0] = cell / shape().cells[2] / shape().cells[1];
        }
        std::copy_n(cellAt, kGridColumns, at);
    }

    // Keeps the s smallest keys collected and lowers the limit below the largest of them.
    void Reduce()
    {
        if (count > size)
            std::nth_element(keys, keys + (size - 1), keys + count);
        const Key largest = count > size ? keys[size - 1] : *std::max_element(keys, keys + size);
        count = size;
        if (largest == 0)
            complete = true;
        else
            limit = std::min<Key>(limit, largest - 1);
    }

    void ScanCell(const int64_t* at)
    {
        const uint32_t* starts = grid->starts();
        const int64_t index = shape().Index(at);
        int64_t first = starts[index];
        const int64_t last = starts[index + 1];
        if (first == last)
            return;
        for (int32_t k = 0; k < d; ++k)
            base[k] = point[k] - grid->Corner(k, at);
        while (first < last && !complete) {
            const int64_t piece = std::min(last - first, capacity - count);
            Key* made = keys + count;
            CellKeys<Key, Value>(columns, rows, d, base, first, first + piece, made);
            count += PackKeysWithin(made, piece, limit);
            first += piece;
            if (count == capacity)
                Reduce();
        }
    }

    SearchScore CellGap(int k, int64_t at) const
    {
        if (k >= shape().columns)
            return 0;
        const int64_t low = shape().low[k] + at * shape().width;
        return GapSquared(point[shape().column[k]], low, low + shape().width - 1);
    }

    // Calls visit(at) for the cells of ring r whose boxes are within the limit.
    template <typename Visit>
    void VisitRing(const int64_t* centreCell, int64_t r, Visit visit)
    {
        int64_t lo[kGridColumns];
        int64_t hi[kGridColumns];
        for (int k = 0; k < kGridColumns; ++k) {
            lo[k] = std::max<int64_t>(0, centreCell[k] - r);
            hi[k] = std::min<int64_t>(shape().cells[k] - 1, centreCell[k] + r);
        }
        int64_t at[kGridColumns];
        for (at[0] = lo[0]; at[0] <= hi[0]; ++at[0]) {
            const SearchScore gap0 = CellGap(0, at[0]);
            if (gap0 > limit)
                continue;
            for (at[1] = lo[1]; at[1] <= hi[1]; ++at[1]) {
                const SearchScore gap01 = gap0 + CellGap(1, at[1]);
                if (gap01 > limit)
                    continue;
                const bool edge = at[0] == centreCell[0] - r || at[0] == centreCell[0] + r ||
                                  at[1] == centreCell[1] - r || at[1] == centreCell[1] + r;
                // Off the ring's edge in the first two columns, only the ring's ends in the third.
                const int64_t step = edge ? 1 : 2 * r;
                for (at[2] = edge ? lo[2] : centreCell[2] - r; at[2] <= hi[2] && !complete; at[2] += step) {
                    if (at[2] >= lo[2] && gap01 + CellGap(2, at[2]) <= limit)
                        visit(at);
                }
            }
        }
    }

    // Whether some cell lies beyond ring r, and in outside the least
    // squared distance from the centre to any of them.
    bool Beyond(const int64_t* centreCell, int64_t r, SearchScore& outside) const
    {
        bool any = false;
        int64_t nearest = std::numeric_limits<int64_t>::max();
        for (int k = 0; k < shape().columns; ++k) {
            const int64_t value = point[shape().column[k]];
            if (centreCell[k] - r > 0) {
                any = true;
                nearest = std::min(nearest, value - (shape().low[k] + (centreCell[k] - r) * shape().width) + 1);
            }
            if (centreCell[k] + r < shape().cells[k] - 1) {
                any = true;
                nearest = std::min(nearest, shape().low[k] + (centreCell[k] + r + 1) * shape().width - value);
            }
        }
        outside = SearchScore(uint64_t(nearest)) * uint64_t(nearest);
        return any;
    }

    // Collects the keys no greater than within (all of them the nearest rows,
    // or at least the s nearest) ring by ring.
    void Collect(const int64_t* centreCell, Key within)
    {
        count = 0;
        limit = within;
        complete = false;
        for (int64_t r = 0;; ++r) {
            VisitRing(centreCell, r, [this](const int64_t* at) { ScanCell(at); });
            if (!complete && count >= size)
                Reduce();
            SearchScore outside = 0;
            if (complete || !Beyond(centreCell, r, outside) || outside > limit)
                return;
        }
    }

    // Whether every key to the rows of the cell at the given coordinates is
    // below 2^32, in two coordinates: the farthest a row of it can be along
    // a column is the centre's distance from the farther end of the cell's span.
    bool NarrowCell(const int64_t* at) const
    {
        if (d != 2)
            return false;
        uint64_t farthest = 0;
        for (int32_t k = 0; k < 2; ++k) {
            const int64_t low = grid->CellLow(k, at);
            const uint64_t far = uint64_t(std::max(std::abs(point[k] - low), std::abs(point[k] - low - extent[k])));
            if (far >= (uint64_t(1) << 16))
                return false;
            farthest += far * far;
        }
        return farthest <= UINT32_MAX;
    }

    // How many keys are no greater than within, and their sum: the rows of
    // the cells that touch the radius, their keys made and compared on
    // vectors and none kept.
    template <typename Sum>
    int64_t CountWithin(const int64_t* centreCell, Key within, Sum& sum)
    {
        limit = within;
        complete = false;
        int64_t found = 0;
        const uint32_t* starts = grid->starts();
        const auto count = [&](const int64_t* at) {
            const int64_t index = shape().Index(at);
            if (starts[index] == starts[index + 1])
                return;
            for (int32_t k = 0; k < d; ++k)
                base[k] = point[k] - grid->Corner(k, at);
            found += CellKeysWithin<Key, Value>(columns, rows, d, base, starts[index], starts[index + 1], within,
                                                NarrowCell(at), sum);
        };
        for (int64_t r = 0;; ++r) {
            VisitRing(centreCell, r, count);
            SearchScore outside = 0;
            if (!Beyond(centreCell, r, outside) || outside > within)
                return found;
        }
    }

    // Whether the centre's keys within the radius prove it worse than the
    // best; count gets how many there are.
    bool DroppedByRadius(const int64_t* centreCell, const BestCentre& best, int64_t& count)
    {
        // Every key outside is at least radius + 1.
        const auto bound = [&](SearchScore within) {
            return within + SearchScore(size - count) * (SearchScore(radius) + 1);
        };
        if constexpr (!std::is_same_v<Key, SearchScore>) {
            if (SearchScore(radius) * uint64_t(rows) <= UINT64_MAX) {
                uint64_t within = 0;
                count = CountWithin(centreCell, radius, within);
                return count < size && bound(within) > best.score;
            }
        }
        SearchScore within = 0;
        count = CountWithin(centreCell, radius, within);
        return count < size && bound(within) > best.score;
    }

    void ClearTies()
    {
        if (manyTied)
            std::memset(tied, 0, (uint64_t(rows) + 63) / 64 * sizeof(uint64_t));
        else
            for (int i = 0; i < listedCount; ++i)
                tied[listed[i] / 64] &= ~(uint64_t(1) << (listed[i] % 64));
        listedCount = 0;
        manyTied = false;
    }

    void MarkTie(int64_t position)
    {
        tied[position / 64] |= uint64_t(1) << (position % 64);
        if (listedCount < kListedTies)
            listed[listedCount++] = position;
        else
            manyTied = true;
    }

    bool Score(int64_t position, const BestCentre& best, SearchScore& score)
    {
        int64_t centreCell[kGridColumns];
        CellAt(position, centreCell);
        for (int32_t k = 0; k < d; ++k)
            point[k] = grid->Corner(k, centreCell) + int64_t(columns[k * rows + position]);
        // With s keys within the radius, those are searched for the s smallest; with fewer, every key.
        Key within = std::numeric_limits<Key>::max();
        if (hasRadius && best.centre >= 0) {
            int64_t near = 0;
            if (DroppedByRadius(centreCell, best, near))
                return false;
            if (near >= size)
                within = radius;
        }
        Collect(centreCell, within);
        KeySum<Key> sum = 0;
        for (int64_t i = 0; i < size; ++i)
            sum += keys[i];
        score = sum;
        if (best.centre < 0 || score < best.score) {
            radius = *std::max_element(keys, keys + size);
            hasRadius = true;
            ClearTies();
            tiedScore = score;
            anyTied = true;
        }
        if (score == tiedScore)
            MarkTie(position);
        return true;
    }
};

template <typename Key, typename Value>
SearchStatus Run(const SearchPlan& plan, const RowGrid& grid, BestCentre& best, int& threadsRun)
{
    using Worker = GridWorker<Key, Value>;
    const SearchRequest& request = *plan.request;
    const int64_t n = request.table.rows;
    const uint64_t d = uint64_t(request.table.dimension);
    const int64_t capacity = 2 * request.size + kPieceKeys;
    const uint64_t tieWords = (uint64_t(n) + 63) / 64;
    const uint64_t bytes = SliceBytes<Key>(uint64_t(capacity)) + 2 * SliceBytes<int64_t>(d) +
                           SliceBytes<uint64_t>(tieWords) + SliceBytes<int64_t>(kListedTies);
    Workspace workspace(request.allocator, plan.threads, bytes);
    Workspace counterSpace(request.allocator, 1, SliceBytes<uint32_t>(uint64_t(grid.shape().cellCount)));
    if (!workspace.valid() || !counterSpace.valid())
        return SearchStatus::OutOfMemory;
    Worker workers[kMaxSearchThreads];
    for (int t = 0; t < plan.threads; ++t) {
        unsigned char* cursor = workspace.slice(t);
        Worker& worker = workers[t];
        worker.grid = &grid;
        worker.columns = static_cast<const Value*>(grid.column(0));
        worker.rows = n;
        worker.d = int32_t(d);
        worker.size = request.size;
        worker.order = grid.centreOrder();
        worker.keys = Carve<Key>(cursor, uint64_t(capacity));
        worker.capacity = capacity;
        worker.point = Carve<int64_t>(cursor, d);
        worker.base = Carve<int64_t>(cursor, d);
        worker.tied = Carve<uint64_t>(cursor, tieWords);
        worker.listed = Carve<int64_t>(cursor, kListedTies);
        for (int32_t k = 0; k < 2 && k < int32_t(d); ++k)
            worker.extent[k] = grid.Extent(k);
    }
    const SearchStatus status = RunCentres(request, plan.end - plan.begin, plan.threads, workers, best, threadsRun, plan.near);
    if (status != SearchStatus::Ok || best.centre < 0)
        return status;
    // The positions that tie the best score, marked by the threads whose best it is.
    const auto marked = [&](int64_t position) {
        for (int t = 0; t < threadsRun; ++t) {
            const Worker& worker = workers[t];
            if (worker.anyTied && worker.tiedScore == best.score && (worker.tied[position / 64] >> (position % 64) & 1))
                return true;
        }
        return false;
    };
    best.centre = grid.LastMarkedRow(request.table, marked, reinterpret_cast<uint32_t*>(counterSpace.slice(0)));
    return SearchStatus::Ok;
}
}  // namespace

bool GridPays(const SearchRequest& request, const ColumnRanges& ranges)
{
    const GridShape shape = ChooseGridShape(request.table, ranges, request.size);
    return GridCellsEven(request.table, shape, request.allocator);
}

SearchStatus GridSearch(const SearchPlan& plan, BestCentre& best, int& threadsRun)
{
    const SearchRequest& request = *plan.request;
    const GridShape shape = ChooseGridShape(request.table, plan.ranges, request.size);
    const RowGrid grid(request.table, plan.ranges, shape, plan.begin, plan.end, request.allocator);
    if (!grid.valid())
        return SearchStatus::OutOfMemory;
    return WithKeyType(plan.keyWidth, [&](auto key) {
        using Key = decltype(key);
        if (shape.offsets)
            return Run<Key, uint16_t>(plan, grid, best, threadsRun);
        return Run<Key, int32_t>(plan, grid, best, threadsRun);
    });
}

}  // namespace kvs
