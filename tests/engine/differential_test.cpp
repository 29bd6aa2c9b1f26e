// Every method, on one thread and on several, against the window's search on
// random tables full of ties: same centre, same subset in the same order.
#include <gtest/gtest.h>

#include <random>

#include "engine_test_support.h"

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
    const SearchMethod methods[] = {SearchMethod::Auto, SearchMethod::Dense, SearchMethod::Tree,
                                    SearchMethod::Described};
    for (int round = 0; round < 120; ++round) {
        const Table table = RandomTable(random, round);
        const int32_t size = std::uniform_int_distribution<int32_t>(1, int32_t(table.rows))(random);
        const Found expected = WindowSearch(table, size);
        for (SearchMethod method : methods) {
            for (int threads : {1, 3}) {
                const Found found = Search(table, size, method, threads);
                SCOPED_TRACE(testing::Message() << "round " << round << ", n " << table.rows << ", d "
                                                << table.dimension << ", s " << size << ", "
                                                << SearchMethodName(method) << ", threads " << threads);
                ASSERT_EQ(found.status, SearchStatus::Ok);
                EXPECT_EQ(found.centre, expected.centre);
                EXPECT_EQ(found.subset, expected.subset);
            }
        }
    }
}
}
