// Every method, on one thread and on several (their working storage handed
// out full of junk), against the window's search on random tables full of
// ties: same centre, same subset in the same order; and the library's copy
// of the window's index sort against the window's.
#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "decreasing_step_order.h"
#include "engine_test_support.h"
#include "search/decrease_step_sorting.h"

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
                                    kvs::SearchMethod::Described};
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

// Sizes on both sides of each step of the first gap (4 from 14 keys, 13 from
// 41, 40 from 122, 121 from 365, 364 from 1094), keys from all equal to
// spread over 63 bits.
TEST(EngineDifferential, DecreasingStepOrderIsTheWindowsSort)
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
        }
    }
}
}
