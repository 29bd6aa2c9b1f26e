#include "cluster/space_slabs.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <queue>

namespace {
// Rows the cuts are chosen from: enough for slabs within a percent or so of
// an even share, few enough to sort in well under a millisecond.
constexpr int64_t kSampledRows = 4096;

using Wide = unsigned __int128;

// The sampled rows in the order of their values in the column.
std::vector<int64_t> SampleByValue(const kvs::VectorTable& table, int32_t column)
{
    const int64_t step = std::max<int64_t>(1, table.rows / kSampledRows);
    std::vector<int64_t> sample;
    for (int64_t row = 0; row < table.rows; row += step)
        sample.push_back(row);
    const auto value = [&](int64_t row) { return table.values[row * table.dimension + column]; };
    std::stable_sort(sample.begin(), sample.end(), [&](int64_t a, int64_t b) { return value(a) < value(b); });
    return sample;
}

// The column whose sampled values spread widest.
int32_t WidestColumn(const kvs::VectorTable& table)
{
    const int64_t step = std::max<int64_t>(1, table.rows / kSampledRows);
    int32_t widest = 0;
    int64_t widestSpread = -1;
    for (int32_t k = 0; k < table.dimension; ++k) {
        int64_t low = std::numeric_limits<int64_t>::max();
        int64_t high = std::numeric_limits<int64_t>::min();
        for (int64_t row = 0; row < table.rows; row += step) {
            low = std::min<int64_t>(low, table.values[row * table.dimension + k]);
            high = std::max<int64_t>(high, table.values[row * table.dimension + k]);
        }
        if (high - low > widestSpread) {
            widest = k;
            widestSpread = high - low;
        }
    }
    return widest;
}

Wide Key(const int32_t* a, const int32_t* b, int32_t dimension)
{
    Wide key = 0;
    for (int32_t k = 0; k < dimension; ++k) {
        const int64_t difference = int64_t(a[k]) - int64_t(b[k]);
        const uint64_t magnitude = uint64_t(difference < 0 ? -difference : difference);
        key += Wide(magnitude) * magnitude;
    }
    return key;
}
struct SlabBounds {
    int32_t column;
    int64_t low, high, halo;  // the centres' values are [low, high), the others' within halo of them
};

// The rows of each kind appended to their own room, in table order: the
// centres' values and rows, and the others near them. Every row is written
// to the end of both and only its own kind's count moves on, with no branch
// on the rows (whose side of a cut is as good as random). Fixed is the
// dimension where the copies are made for one (none: 0).
template <int32_t Fixed>
void SortRows(const kvs::VectorTable& table, const SlabBounds& bounds, int32_t* centreValues, int32_t* centreRows,
              int32_t* others, int64_t& centres, int64_t& near)
{
    const int64_t d = Fixed ? Fixed : table.dimension;
    for (int64_t row = 0; row < table.rows; ++row) {
        const int32_t* from = table.values + row * d;
        const int64_t v = from[bounds.column];
        const bool centre = (v >= bounds.low) & (v < bounds.high);
        const bool inHalo = !centre & (v >= bounds.low - bounds.halo) & (v < bounds.high + bounds.halo);
        for (int64_t k = 0; k < d; ++k) {
            centreValues[centres * d + k] = from[k];
            others[near * d + k] = from[k];
        }
        centreRows[centres] = int32_t(row);
        centres += centre;
        near += inHalo;
    }
}
}  // namespace

SlabSplit SplitIntoSlabs(const kvs::VectorTable& table, int ranks)
{
    SlabSplit split;
    split.column = WidestColumn(table);
    const std::vector<int64_t> sample = SampleByValue(table, split.column);
    const auto at = [&](int64_t share, int64_t of) {
        return sample[std::size_t(std::min<int64_t>(int64_t(sample.size()) - 1, share * int64_t(sample.size()) / of))];
    };
    for (int r = 1; r < ranks; ++r)
        split.cuts.push_back(table.values[at(r, ranks) * table.dimension + split.column]);
    // Each slab's middle sampled row: in an even table, a centre as typical as any.
    for (int r = 0; r < ranks; ++r)
        split.samples.push_back(at(2 * r + 1, 2 * int64_t(ranks)));
    return split;
}

kvs::Score CentreScore(const kvs::VectorTable& table, int64_t size, int64_t centre)
{
    const int32_t* point = table.values + centre * table.dimension;
    std::priority_queue<Wide> nearest;  // the size smallest keys so far, the largest on top
    for (int64_t row = 0; row < table.rows; ++row) {
        const Wide key = Key(table.values + row * table.dimension, point, table.dimension);
        if (int64_t(nearest.size()) < size) {
            nearest.push(key);
        } else if (key < nearest.top()) {
            nearest.pop();
            nearest.push(key);
        }
    }
    Wide sum = 0;
    for (; !nearest.empty(); nearest.pop())
        sum += nearest.top();
    return {uint64_t(sum >> 64), uint64_t(sum)};
}

int64_t HaloFor(const kvs::Score& score)
{
    const Wide value = Wide(score.high) << 64 | score.low;
    int64_t halo = int64_t(std::sqrt(static_cast<long double>(value)));
    while (Wide(halo) * Wide(halo) < value)
        ++halo;
    while (halo > 0 && Wide(halo - 1) * Wide(halo - 1) >= value)
        --halo;
    return halo;
}

bool TakeSlab(const kvs::VectorTable& table, const SlabSplit& split, int rank, int64_t halo, SlabTable& slab)
{
    const int32_t d = table.dimension;
    // The slab's values are [low, high); every value fits 32 bits, so the
    // open ends are the 32-bit bounds.
    const int64_t low = rank == 0 ? std::numeric_limits<int32_t>::min() : split.cuts[std::size_t(rank - 1)];
    const int64_t high =
        rank == int(split.cuts.size()) ? int64_t(std::numeric_limits<int32_t>::max()) + 1 : split.cuts[std::size_t(rank)];
    // One pass (SortRows) into room for the whole table and one row more,
    // of which only what is written is ever touched; the others then follow
    // the centres.
    slab = {};
    std::unique_ptr<int32_t[]> others;
    try {
        const std::size_t room = std::size_t((table.rows + 1) * d);
        slab.values.reset(new int32_t[room]);
        slab.centreRows.reset(new int32_t[std::size_t(table.rows + 1)]);
        others.reset(new int32_t[room]);
    } catch (const std::bad_alloc&) {
        slab = {};
        return false;
    }
    int64_t centres = 0;
    int64_t near = 0;
    const SlabBounds bounds{split.column, low, high, halo};
    if (d == 1)
        SortRows<1>(table, bounds, slab.values.get(), slab.centreRows.get(), others.get(), centres, near);
    else if (d == 2)
        SortRows<2>(table, bounds, slab.values.get(), slab.centreRows.get(), others.get(), centres, near);
    else
        SortRows<0>(table, bounds, slab.values.get(), slab.centreRows.get(), others.get(), centres, near);
    std::copy_n(others.get(), near * d, slab.values.get() + centres * d);
    slab.rows = centres + near;
    slab.centres = centres;
    return true;
}
