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
    const auto value = [&](int64_t row) { return int64_t(table.values[row * d + split.column]); };
    int64_t centres = 0;
    int64_t rows = 0;
    for (int64_t row = 0; row < table.rows; ++row) {
        const int64_t v = value(row);
        centres += v >= low && v < high;
        rows += v >= low - halo && v < high + halo;
    }
    slab = {};
    try {
        slab.values.resize(std::size_t(rows * d));
        slab.centreRows.resize(std::size_t(centres));
    } catch (const std::bad_alloc&) {
        slab = {};
        return false;
    }
    slab.rows = rows;
    slab.centres = centres;
    int64_t centre = 0;
    int64_t other = centres;
    for (int64_t row = 0; row < table.rows; ++row) {
        const int64_t v = value(row);
        const bool isCentre = v >= low && v < high;
        if (!isCentre && (v < low - halo || v >= high + halo))
            continue;
        const int64_t to = isCentre ? centre++ : other++;
        std::copy_n(table.values + row * d, d, slab.values.data() + to * d);
        if (isCentre)
            slab.centreRows[std::size_t(to)] = int32_t(row);
    }
    return true;
}
