// Coordinates near the ends of the 32-bit range, many of them, and subsets up
// to the whole table: the engine's sums are exact (no wrapping, no cap),
// checked against a plain 128-bit computation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

#include "engine_test_support.h"

namespace {
using Wide = unsigned __int128;

kvs::Score ToScore(Wide value) { return {uint64_t(value >> 64), uint64_t(value)}; }
Wide ToWide(const kvs::Score& score) { return Wide(score.high) << 64 | score.low; }

Wide Key(const Table& table, int64_t a, int64_t b)
{
    Wide key = 0;
    for (int32_t k = 0; k < table.dimension; ++k) {
        const int64_t difference = int64_t(table.values[a * table.dimension + k]) - table.values[b * table.dimension + k];
        key += Wide(difference < 0 ? -difference : difference) * Wide(difference < 0 ? -difference : difference);
    }
    return key;
}

std::vector<Wide> SortedKeys(const Table& table, int64_t centre)
{
    std::vector<Wide> keys;
    for (int64_t row = 0; row < table.rows; ++row)
        keys.push_back(Key(table, centre, row));
    std::sort(keys.begin(), keys.end());
    return keys;
}

TEST(EngineExactArithmetic, ExtremeCoordinatesGiveExactSums)
{
    const struct {
        int64_t rows;
        int32_t dimension;
        int64_t size;
    } cases[] = {{2, 1, 2}, {7, 1, 5}, {9, 3, 9}, {12, 64, 12}, {40, 200, 23}};
    std::mt19937 random(31);
    std::uniform_int_distribution<int32_t> nearEnd(0, 3);
    for (const auto& c : cases) {
        Table table{{}, c.rows, c.dimension};
        for (int64_t i = 0; i < c.rows * c.dimension; ++i) {
            const int32_t offset = nearEnd(random);
            table.values.push_back(random() % 2 ? INT32_MAX - offset : INT32_MIN + offset);
        }
        int64_t centre = kvs::kNoCentre;
        Wide best = 0;
        for (int64_t row = 0; row < c.rows; ++row) {
            const std::vector<Wide> keys = SortedKeys(table, row);
            Wide score = 0;
            for (int64_t i = 0; i < c.size; ++i)
                score += keys[i];
            if (centre == kvs::kNoCentre || score <= best) {
                best = score;
                centre = row;
            }
        }
        const std::vector<Wide> nearest = SortedKeys(table, centre);
        for (kvs::SearchMethod method :
             {kvs::SearchMethod::Dense, kvs::SearchMethod::Tree, kvs::SearchMethod::Described}) {
            SCOPED_TRACE(testing::Message() << "n " << c.rows << ", d " << c.dimension << ", s " << c.size << ", "
                                            << kvs::SearchMethodName(method));
            const Found found = Search(table, c.size, method, 2);
            ASSERT_EQ(found.status, kvs::SearchStatus::Ok);
            EXPECT_EQ(found.centre, centre);
            EXPECT_EQ(found.score, ToScore(best));
            std::vector<Wide> subsetKeys;
            for (int64_t row : found.subset)
                subsetKeys.push_back(Key(table, centre, row));
            std::sort(subsetKeys.begin(), subsetKeys.end());
            EXPECT_TRUE(std::equal(subsetKeys.begin(), subsetKeys.end(), nearest.begin()));
        }
    }
}

TEST(EngineExactArithmetic, TreeIsReplacedByDenseWhenDoublesCannotHoldTheKeys)
{
    Table table{{0, 1, 1 << 27, 5}, 4, 1};
    kvs::SearchRequest request;
    request.table = table.view();
    request.size = 2;
    request.method = kvs::SearchMethod::Tree;
    kvs::SearchResult result;
    ASSERT_EQ(kvs::SearchSimilarRows(request, result), kvs::SearchStatus::Ok);
    EXPECT_EQ(result.method, kvs::SearchMethod::Dense);
    table.values[2] = 1 << 25;
    ASSERT_EQ(kvs::SearchSimilarRows(request, result), kvs::SearchStatus::Ok);
    EXPECT_EQ(result.method, kvs::SearchMethod::Tree);
}
}

namespace {
// Scaling every coordinate by 2^30 scales every key by 2^60: the same order
// and the same ties, now in 128-bit keys. The centre and the subset, in
// order, must not change.
TEST(EngineExactArithmetic, WideKeysKeepTheOrderOfTies)
{
    const Table small = RandomTable(150, 8, 1, 11);
    Table scaled = small;
    for (int32_t& value : scaled.values)
        value *= 1 << 30;
    for (kvs::SearchMethod method : {kvs::SearchMethod::Dense, kvs::SearchMethod::Described}) {
        const Found expected = Search(small, 70, method, 2);
        const Found found = Search(scaled, 70, method, 2);
        ASSERT_EQ(found.status, kvs::SearchStatus::Ok);
        EXPECT_EQ(found.centre, expected.centre) << kvs::SearchMethodName(method);
        EXPECT_EQ(found.subset, expected.subset) << kvs::SearchMethodName(method);
        EXPECT_EQ(found.score, ToScore(ToWide(expected.score) << 60)) << kvs::SearchMethodName(method);
    }
}
}
