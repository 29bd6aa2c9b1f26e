// Every method, on one thread and on several (their working storage handed
// out full of junk), against the window's search on random tables full of
// ties: same centre, same subset in the same order; and the library's copy
// of the window's index sort against the window's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "decreasing_step_order.h"
#include "engine_test_support.h"
#include "search/decrease_step_sorting.h"
#include "subset_order.h"

namespace {
// Mostly a few values per coordinate, so that keys and sums tie everywhere;
// every third table spreads wide with a tight cluster, so that most centres
// are dropped by the bounds before they are scored.
Table RandomTable(std::mt19937& random, int round)
{
    Table table;
    table.rows = std::uniform_int_distribution<int64_t>(1, 300)(random);
    table.dimension = std::uniform_int_distribution<int32_t>(1, 8)(random);
    const bool clustered = round % 3 == 2;
    const int32_t spread = clustered ? 3000 : std::uniform_int_distribution<int32_t>(0, 4)(random);
    const int32_t offset = std::uniform_int_distribution<int32_t>(-1000, 1000)(random);
    std::uniform_int_distribution<int32_t> coordinate(offset - spread, offset + spread);
    std::uniform_int_distribution<int32_t> near(offset - 2, offset + 2);
    for (int64_t i = 0; i < table.rows * table.dimension; ++i)
        table.values.push_back(clustered && i % 2 ? near(random) : coordinate(random));
    return table;
}

TEST(EngineDifferential, EveryMethodAndThreadCountMatchesTheWindowsSearch)
{
    std::mt19937 random(20261207);
    const kvs::SearchMethod methods[] = {kvs::SearchMethod::Auto, kvs::SearchMethod::Dense, kvs::SearchMethod::Tree,
                                    kvs::SearchMethod::Described, kvs::SearchMethod::Grid};
    for (int round = 0; round < 120; ++round) {
        const Table table = RandomTable(random, round);
        const int32_t size = std::uniform_int_distribution<int32_t>(1, int32_t(table.rows))(random);
        const Found expected = WindowSearch(table, size);
        for (kvs::SearchMethod method : methods) {
            for (int threads : {1, 3}) {
                const Found found = Search(table, size, method, threads, threads > 1 ? JunkFilledHeap() : kvs::Allocator{});
                SCOPED_TRACE(testing::Message() << "round " << round << ", n " << table.rows << ", d "
                                                << table.dimension << ", s " << size << ", "
                                                << kvs::SearchMethodName(method) << ", threads " << threads);
                ASSERT_EQ(found.status, kvs::SearchStatus::Ok);
                EXPECT_EQ(found.centre, expected.centre);
                EXPECT_EQ(found.subset, expected.subset);
            }
        }
    }
}

// Tables the grid's cells meet badly, against the reference procedure (the
// described method), where the window's 32-bit squares would wrap: all rows
// equal, a few values repeated, coordinates at the ends of the 32-bit range,
// tight clusters far apart, rows on a line; d 1 to 8, 1 and 3 threads, every
// centre or a range of them.
Table GridTable(std::mt19937& random, int kind, int32_t dimension)
{
    Table table;
    table.rows = std::uniform_int_distribution<int64_t>(1, 260)(random);
    table.dimension = dimension;
    const int32_t values[] = {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min() + 1, -1, 0,
                              std::numeric_limits<int32_t>::max() - 1, std::numeric_limits<int32_t>::max()};
    std::uniform_int_distribution<int> pick(0, 5);
    std::uniform_int_distribution<int32_t> few(-2, 2);
    std::uniform_int_distribution<int32_t> wide(-1'000'000'000, 1'000'000'000);
    std::uniform_int_distribution<int32_t> jitter(-30, 30);
    int32_t cluster[4] = {wide(random), wide(random), wide(random), wide(random)};
    for (int64_t row = 0; row < table.rows; ++row) {
        const int32_t group = cluster[row % 4];
        const int32_t step = few(random);
        for (int32_t k = 0; k < dimension; ++k) {
            switch (kind) {
            case 0: table.values.push_back(17); break;
            case 1: table.values.push_back(few(random) * 1000); break;
            case 2: table.values.push_back(values[pick(random)]); break;
            case 3: table.values.push_back(group + jitter(random)); break;
            default: table.values.push_back(step * (k + 1)); break;
            }
        }
    }
    return table;
}

TEST(EngineDifferential, GridMatchesTheReferenceProcedureOnHardTables)
{
    std::mt19937 random(27);
    for (int kind = 0; kind < 5; ++kind) {
        for (int32_t dimension = 1; dimension <= 8; ++dimension) {
            const Table table = GridTable(random, kind, dimension);
            const int64_t size = std::uniform_int_distribution<int64_t>(1, table.rows)(random);
            for (const bool range : {false, true}) {
                const int64_t begin = range ? table.rows / 3 : 0;
                const int64_t end = range ? 2 * table.rows / 3 + 1 : -1;
                const Found expected = Search(table, size, kvs::SearchMethod::Described, 1, {}, begin, end);
                for (int threads : {1, 3}) {
                    SCOPED_TRACE(testing::Message() << "kind " << kind << ", n " << table.rows << ", d " << dimension
                                                    << ", s " << size << ", threads " << threads << ", centres "
                                                    << begin << " .. " << end);
                    const Found found = Search(table, size, kvs::SearchMethod::Grid, threads,
                                               threads > 1 ? JunkFilledHeap() : kvs::Allocator{}, begin, end);
                    ASSERT_EQ(found.status, kvs::SearchStatus::Ok);
                    EXPECT_EQ(found.centre, expected.centre);
                    EXPECT_EQ(found.score, expected.score);
                    EXPECT_EQ(found.subset, expected.subset);
                }
            }
        }
    }
}

// Tables of many cells, where a centre's rings reach out several cells and
// most centres are dropped by their thread's radius: the grid against the
// dense method (held to the reference procedure above) on uniform rows,
// rows on a lattice (ties everywhere), and tight clusters among scattered
// rows, in 1 to 3 coordinates.
TEST(EngineDifferential, GridMatchesTheDenseSearchOnManyCells)
{
    std::mt19937 random(2027);
    for (int kind = 0; kind < 3; ++kind) {
        for (int32_t dimension = 1; dimension <= 3; ++dimension) {
            Table table{{}, 6000, dimension};
            std::uniform_int_distribution<int32_t> spread(-100'000, 100'000);
            std::uniform_int_distribution<int32_t> lattice(-20, 20);
            std::uniform_int_distribution<int32_t> jitter(-50, 50);
            for (int64_t i = 0; i < table.rows * dimension; ++i) {
                const bool clustered = kind == 2 && i % 3 != 0;
                table.values.push_back(kind == 1 ? lattice(random) * 7 : clustered ? 5000 * int32_t(i % 4) + jitter(random)
                                                                                   : spread(random));
            }
            for (int64_t size : {int64_t(1), int64_t(9), int64_t(150)}) {
                SCOPED_TRACE(testing::Message() << "kind " << kind << ", d " << dimension << ", s " << size);
                const Found expected = Search(table, size, kvs::SearchMethod::Dense, 2);
                const Found found = Search(table, size, kvs::SearchMethod::Grid, 2, JunkFilledHeap());
                ASSERT_EQ(found.status, kvs::SearchStatus::Ok);
                EXPECT_EQ(found.centre, expected.centre);
                EXPECT_EQ(found.score, expected.score);
                EXPECT_EQ(found.subset, expected.subset);
            }
        }
    }
}

// Tables of many leaves in 5 to 16 coordinates, where the tree's leaves are
// large and its queries cross many of them: the tree against the dense
// method (held to the reference procedure above) on clusters that are exact
// shifted copies of one another, interleaved in row order (so equal scores
// fall to centres far apart in the tree's order and in row order), on rows
// repeated in runs, and on Gaussian-like clusters; every centre or a range.
TEST(EngineDifferential, TreeMatchesTheDenseSearchOnManyLeaves)
{
    std::mt19937 random(1627);
    for (int kind = 0; kind < 3; ++kind) {
        for (int32_t dimension : {5, 9, 16}) {
            Table table{{}, 2400, dimension};
            std::uniform_int_distribution<int32_t> spread(-400, 400);
            std::normal_distribution<double> member(0.0, 300.0);
            std::vector<int32_t> base;
            for (int32_t i = 0; i < 300 * dimension; ++i)
                base.push_back(spread(random));
            for (int64_t row = 0; row < table.rows; ++row) {
                const int64_t copy = row % 8;
                for (int32_t k = 0; k < dimension; ++k) {
                    const int32_t shift = int32_t(copy) * 20000 * (k % 3 == 0 ? 1 : -1);
                    switch (kind) {
                    case 0: table.values.push_back(base[size_t(row / 8 * dimension + k)] + shift); break;
                    case 1: table.values.push_back(base[size_t(row / 40 * dimension + k)] / 50); break;
                    default: table.values.push_back(shift + int32_t(std::lround(member(random)))); break;
                    }
                }
            }
            for (int64_t size : {int64_t(1), int64_t(30), int64_t(100)}) {
                for (const bool range : {false, true}) {
                    const int64_t begin = range ? 700 : 0;
                    const int64_t end = range ? 1900 : -1;
                    SCOPED_TRACE(testing::Message() << "kind " << kind << ", d " << dimension << ", s " << size
                                                    << ", centres " << begin << " .. " << end);
                    const Found expected = Search(table, size, kvs::SearchMethod::Dense, 2, {}, begin, end);
                    for (int threads : {1, 3}) {
                        const Found found = Search(table, size, kvs::SearchMethod::Tree, threads,
                                                   threads > 1 ? JunkFilledHeap() : kvs::Allocator{}, begin, end);
                        ASSERT_EQ(found.status, kvs::SearchStatus::Ok);
                        EXPECT_EQ(found.centre, expected.centre);
                        EXPECT_EQ(found.score, expected.score);
                        EXPECT_EQ(found.subset, expected.subset);
                    }
                }
            }
        }
    }
}

// Sizes on both sides of each step of the first gap (4 from 14 keys, 13 from
// 41, 40 from 122, 121 from 365, 364 from 1094), keys from all equal to
// spread over 63 bits.
TEST(EngineDifferential, DecreasingStepOrderAndItsFirstEntriesAreTheWindowsSort)
{
    std::mt19937_64 random(5);
    for (int32_t n : {1, 2, 5, 13, 14, 40, 41, 121, 122, 364, 365, 1093, 1094, 3000}) {
        for (int64_t spread :
             {int64_t(0), int64_t(1), int64_t(3), int64_t(1000), std::numeric_limits<int64_t>::max()}) {
            std::uniform_int_distribution<int64_t> key(0, spread);
            std::vector<int64_t> keys;
            for (int32_t i = 0; i < n; ++i)
                keys.push_back(key(random));
            std::vector<int32_t> ours(keys.size(), -1);
            std::vector<int32_t> windows(keys.size(), -1);
            kvs::DecreaseStepSort(n, keys.data(), ours.data());
            DecreaseStepSortingInt64(n, keys.data(), windows.data());
            EXPECT_EQ(ours, windows) << "n " << n << ", keys up to " << spread;
            // The first s entries from the keys no greater than the s-th smallest alone.
            for (int32_t s : {1, std::min(2, n), n / 3 + 1, n}) {
                std::vector<int64_t> sorted = keys;
                std::nth_element(sorted.begin(), sorted.begin() + (s - 1), sorted.end());
                std::vector<kvs::PlacedKey<int64_t>> small;
                for (int32_t row = 0; row < n; ++row) {
                    if (keys[size_t(row)] <= sorted[size_t(s - 1)])
                        small.push_back({keys[size_t(row)], row, row});
                }
                kvs::FollowDecreasingSteps(n, small.data(), int64_t(small.size()));
                for (int32_t i = 0; i < s; ++i)
                    ASSERT_EQ(small[size_t(i)].row, windows[size_t(i)]) << "n " << n << ", keys up to " << spread << ", s " << s;
            }
        }
    }
}
}
