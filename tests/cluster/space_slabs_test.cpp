// A grid search split over ranks by space: the ranks' slabs, searched each
// on its own and combined, give the whole search's winner and score, however
// the rows lie, and each slab holds what its centres need.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "cluster/partial_best.h"
#include "cluster/space_slabs.h"

namespace {
struct Table {
    const char* name;
    std::vector<int32_t> values;
    int32_t dimension;
    int64_t size;

    kvs::VectorTable View() const { return {values.data(), int64_t(values.size()) / dimension, dimension}; }
};

// rows of d values: scattered over -spread .. spread, and a share of them
// (every clustered-th row) packed within -3 .. 3 of a point far off.
Table Rows(const char* name, int64_t rows, int32_t d, int32_t spread, int64_t clustered, int64_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int32_t> wide(-spread, spread);
    std::uniform_int_distribution<int32_t> narrow(-3, 3);
    Table table{name, std::vector<int32_t>(std::size_t(rows * d)), d, size};
    for (int64_t row = 0; row < rows; ++row)
        for (int32_t k = 0; k < d; ++k)
            table.values[std::size_t(row * d + k)] =
                clustered && row % clustered == 0 ? 50 * spread + narrow(random) : wide(random);
    return table;
}

// Most rows on one value of the first column, a few far below it: the
// lowest slab holds fewer rows than the subset.
Table FewBelow()
{
    Table table = Rows("few rows below the rest", 3000, 2, 0, 0, 100, 8);
    for (int64_t row = 0; row < 30; ++row)
        table.values[std::size_t(2 * row * 97)] = -100000000 - int32_t(row);
    return table;
}

// The ranks' search: each rank's slab searched with the grid, the best of
// all by the engine's rule.
PartialBest SearchOverSlabs(const Table& table, int ranks)
{
    const kvs::VectorTable view = table.View();
    const SlabSplit split = SplitIntoSlabs(view, ranks);
    kvs::Score least = CentreScore(view, table.size, split.samples[0]);
    for (int64_t sample : split.samples)
        least = std::min(least, CentreScore(view, table.size, sample));
    PartialBest best;
    for (int rank = 0; rank < ranks; ++rank) {
        SlabTable slab;
        EXPECT_TRUE(TakeSlab(view, split, rank, HaloFor(least), slab));
        if (slab.centres == 0 || slab.rows < table.size)
            continue;
        kvs::SearchRequest request;
        request.table = slab.View(table.dimension);
        request.size = table.size;
        request.method = kvs::SearchMethod::Grid;
        request.centreEnd = slab.centres;
        kvs::SearchResult result;
        EXPECT_EQ(kvs::SearchSimilarRows(request, result), kvs::SearchStatus::Ok);
        FoldPartialBest(best, {result.score, slab.centreRows[std::size_t(result.centre)]});
    }
    return best;
}

TEST(SpaceSlabs, SlabsSearchedApartGiveTheWholeSearch)
{
    const Table tables[] = {
        Rows("uniform", 6000, 2, 100000, 0, 40, 1),
        Rows("uniform d 1", 5000, 1, 1000000, 0, 25, 2),
        Rows("a tight cluster far off", 6000, 2, 100000, 3, 60, 3),
        Rows("duplicates tied across the cuts", 4000, 2, 3, 0, 60, 4),
        Rows("every row equal", 3000, 2, 0, 0, 50, 5),
        Rows("one row a subset", 2048, 2, 50, 0, 1, 6),
        FewBelow(),
    };
    for (const Table& table : tables)
        for (int ranks : {1, 2, 3}) {
            SCOPED_TRACE(testing::Message() << table.name << " on " << ranks << " ranks");
            kvs::SearchRequest request;
            request.table = table.View();
            request.size = table.size;
            kvs::SearchResult whole;
            ASSERT_EQ(kvs::SearchSimilarRows(request, whole), kvs::SearchStatus::Ok);
            const PartialBest split = SearchOverSlabs(table, ranks);
            EXPECT_EQ(split.centre, whole.centre);
            EXPECT_EQ(split.score, whole.score);
        }
}

TEST(SpaceSlabs, EachSlabHoldsItsCentresThenTheRowsWithinTheHaloInTableOrder)
{
    const Table table = Rows("duplicates", 3000, 2, 20, 0, 10, 7);
    const kvs::VectorTable view = table.View();
    const SlabSplit split = SplitIntoSlabs(view, 3);
    ASSERT_EQ(split.cuts.size(), 2u);
    EXPECT_LT(split.cuts[0], split.cuts[1]);
    const int64_t halo = 2;
    int64_t centres = 0;
    for (int rank = 0; rank < 3; ++rank) {
        SlabTable slab;
        ASSERT_TRUE(TakeSlab(view, split, rank, halo, slab));
        const int64_t low = rank == 0 ? INT32_MIN : split.cuts[std::size_t(rank - 1)];
        const int64_t high = rank == 2 ? int64_t(INT32_MAX) + 1 : split.cuts[std::size_t(rank)];
        std::vector<int32_t> expected;
        std::vector<int32_t> expectedRows;
        for (int pass = 0; pass < 2; ++pass)
            for (int64_t row = 0; row < view.rows; ++row) {
                const int64_t value = table.values[std::size_t(2 * row + split.column)];
                const bool centre = value >= low && value < high;
                if (pass == 0 ? centre : !centre && value >= low - halo && value < high + halo) {
                    expected.insert(expected.end(), &table.values[std::size_t(2 * row)],
                                    &table.values[std::size_t(2 * row + 2)]);
                    if (centre)
                        expectedRows.push_back(int32_t(row));
                }
            }
        EXPECT_EQ(slab.values, expected) << "rank " << rank;
        EXPECT_EQ(slab.centreRows, expectedRows) << "rank " << rank;
        EXPECT_EQ(slab.rows * 2, int64_t(expected.size()));
        // About an even share of the rows is each slab's.
        EXPECT_NEAR(double(slab.centres), 1000.0, 150.0) << "rank " << rank;
        centres += slab.centres;
    }
    EXPECT_EQ(centres, view.rows);
}

TEST(SpaceSlabs, CentreScoreIsTheEnginesScoreOfThatCentre)
{
    const Table tables[] = {Rows("wide", 500, 2, 2000000000, 0, 30, 9), Rows("ties", 400, 3, 1, 0, 100, 10)};
    for (const Table& table : tables)
        for (int64_t centre : {int64_t(0), int64_t(17), table.View().rows - 1}) {
            kvs::SearchRequest request;
            request.table = table.View();
            request.size = table.size;
            request.centreBegin = centre;
            request.centreEnd = centre + 1;
            kvs::SearchResult result;
            ASSERT_EQ(kvs::SearchSimilarRows(request, result), kvs::SearchStatus::Ok);
            EXPECT_EQ(CentreScore(table.View(), table.size, centre), result.score) << table.name << " " << centre;
        }
}

TEST(SpaceSlabs, HaloIsTheLeastWholeRootOfTheScore)
{
    const struct {
        kvs::Score score;
        int64_t halo;
    } cases[] = {
        {{0, 0}, 0},
        {{0, 1}, 1},
        {{0, 2}, 2},
        {{0, 4}, 2},
        {{0, 5}, 3},
        {{0, 345327414}, 18583},
        {{0, UINT64_MAX}, int64_t(1) << 32},
        // (2^48 - 1)^2 = 2^96 - 2^49 + 1, and one more.
        {{(uint64_t(1) << 32) - 1, (uint64_t(0) - (uint64_t(1) << 49)) + 1}, (int64_t(1) << 48) - 1},
        {{(uint64_t(1) << 32) - 1, (uint64_t(0) - (uint64_t(1) << 49)) + 2}, int64_t(1) << 48},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HaloFor(c.score), c.halo) << kvs::to_string(c.score);
}
}  // namespace
