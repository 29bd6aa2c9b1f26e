// The keys of many centres at once, in doubles: exact on tables that reach
// the bound of the centred squares, only those within a radius kept; and the
// dense method that uses them giving the reference procedure's result on many
// coordinates, at the bounds where the engine switches between its ways of
// making keys.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "blocked_keys.h"
#include "engine_test_support.h"
#include "row_keys.h"
#include "table_range.h"

namespace {
// rows x dimension coordinates, each one of five values spread over
// [low, low + spread]: its ends, next to its ends and its midpoint, so that
// keys reach the largest the range allows and tie everywhere.
Table EdgeTable(int64_t rows, int32_t dimension, int32_t low, int32_t spread, uint32_t seed)
{
    std::mt19937 random(seed);
    const int32_t choices[] = {low, low + 1, low + spread / 2, low + spread - 1, low + spread};
    std::uniform_int_distribution<int> pick(0, 4);
    Table table{{}, rows, dimension};
    for (int64_t i = 0; i < rows * dimension; ++i)
        table.values.push_back(choices[pick(random)]);
    return table;
}

// How a table's keys are made: in word pairs (on a processor that has
// them; in 32-bit lanes throughout when every key is below 2^32), in
// doubles, or one centre at a time.
enum class Path { NarrowPairs, Pairs, Doubles, Present };

struct EdgeCase {
    int64_t rows;
    int32_t dimension;
    int32_t low;
    int32_t spread;
    Path path;
};

// Spreads of 2^25 in 8 columns reach the bound of doubles exactly
// (8 · (2^24)^2 = 2^51), one more passes it; likewise 2^22 in 512 columns.
// A spread of 65534 still fits 16 bits, 65535 does not. Word pairs are summed
// in 32 bits a group at a time: one pair per group at the largest reach
// (32767), three groups of up to 67 pairs at reach 4000 in 300 columns.
// A spread of 16383 in 16 columns keeps every key below 2^32, 16384 reaches it.
const EdgeCase kEdgeCases[] = {
    {40, 8, -(1 << 24), 1 << 25, Path::Doubles},     {40, 8, -(1 << 24), (1 << 25) + 1, Path::Present},
    {37, 512, 5, 1 << 22, Path::Doubles},            {37, 512, 5, (1 << 22) + 1, Path::Present},
    {33, 1024, -2000000000, 1 << 21, Path::Doubles}, {45, 8, 1000, 32767, Path::Pairs},
    {30, 2, -40000, 65534, Path::Pairs},             {30, 1, -40000, 65535, Path::Doubles},
    {20, 64, -5, 65534, Path::Pairs},                {20, 300, 0, 8000, Path::Pairs},
    {50, 64, -3, 6, Path::NarrowPairs},              {20, 7, 0, 2, Path::NarrowPairs},
    {19, 9, 100, 0, Path::NarrowPairs},              {3000, 16, -3, 6, Path::NarrowPairs},
    {2100, 8, -5, 65534, Path::Pairs},               {40, 16, -7, 16383, Path::NarrowPairs},
    {40, 16, -7, 16384, Path::Pairs},
};

// The table laid out for the blocked keys by the given number of threads, in
// room that held other values before (every byte must be written).
struct Packed {
    std::vector<int32_t> rangeRoom;
    std::vector<double> room;
    double* aligned = nullptr;
    kvs::PackedTable table;

    Packed(const Table& source, int threads) : rangeRoom(kvs::ColumnRangeValues(source.view()))
    {
        const kvs::ColumnRanges ranges = kvs::FindColumnRanges(source.view(), threads, rangeRoom.data());
        const kvs::PackLayout layout = kvs::ChooseLayout(source.view(), ranges);
        room.assign(kvs::PackedBytes(source.view(), layout) / sizeof(double) + 8, -12345.5);
        aligned = room.data() + (64 - reinterpret_cast<uintptr_t>(room.data()) % 64) % 64 / sizeof(double);
        table = kvs::PackTable(source.view(), ranges, layout, aligned, threads);
    }
    // The bytes laid out, as 64-bit words (word pairs may look like NaNs as doubles).
    std::vector<uint64_t> laidOut() const
    {
        std::vector<uint64_t> words(room.size() - 8);
        std::memcpy(words.data(), aligned, words.size() * sizeof(uint64_t));
        return words;
    }
};

// The ranges found by one thread and by several give the same layout, byte
// for byte, padding rows of the last panel included.
TEST(BlockedKeys, LayoutIsTheSameOnAnyNumberOfThreads)
{
    for (const EdgeCase& edge : kEdgeCases) {
        const Table table = EdgeTable(edge.rows, edge.dimension, edge.low, edge.spread, uint32_t(edge.rows));
        const Packed one(table, 1);
        const Packed three(table, 3);
        EXPECT_EQ(one.laidOut(), three.laidOut()) << "n " << edge.rows << ", d " << edge.dimension;
    }
}

TEST(BlockedKeys, EqualTheKeysOneCentreAtATimeUpToTheBound)
{
    for (const EdgeCase& edge : kEdgeCases) {
        const Table table = EdgeTable(edge.rows, edge.dimension, edge.low, edge.spread, uint32_t(edge.rows));
        SCOPED_TRACE(testing::Message() << "d " << edge.dimension << ", spread " << edge.spread);
        std::vector<int32_t> rangeRoom(kvs::ColumnRangeValues(table.view()));
        const kvs::ColumnRanges ranges = kvs::FindColumnRanges(table.view(), 2, rangeRoom.data());
        EXPECT_EQ(kvs::CentredSquares(ranges) <= kvs::kLargestCentredSquares, edge.path != Path::Present);
        if (edge.path == Path::Present)
            continue;
        const Packed laidOut(table, 2);
        const kvs::PackedTable& packed = laidOut.table;
        if (edge.path == Path::Doubles) {
            EXPECT_FALSE(packed.paired());
        }
        EXPECT_EQ(packed.narrowKeys, edge.path == Path::NarrowPairs && packed.paired());
        std::vector<int64_t> centres;
        for (int64_t c = 0; c < 2 * kvs::kTileCentres; ++c)
            centres.push_back(c * 7 % edge.rows);
        const auto referenceKey = [&](int64_t centre, int64_t row) {
            const int32_t* values = table.values.data();
            return kvs::RowKey<uint64_t>(values + row * edge.dimension, values + centre * edge.dimension,
                                         edge.dimension);
        };
        std::vector<double> centreValues(centres.size() * size_t(edge.dimension));
        std::vector<uint64_t> keys(centres.size() * size_t(edge.rows));
        std::vector<int64_t> found(centres.size());
        // One centre's keys on their own.
        kvs::CentreKeys(packed, centres[1], centreValues.data(), keys.data());
        for (int64_t row = 0; row < edge.rows; ++row)
            ASSERT_EQ(keys[size_t(row)], referenceKey(centres[1], row)) << "centre " << centres[1] << ", row " << row;
        // Every key, then only those up to a key that many rows tie with, in
        // room for all or for a few of them.
        for (const uint64_t radius : {UINT64_MAX, referenceKey(centres[0], 1)}) {
            for (const int64_t room : {edge.rows, edge.rows / 4}) {
                kvs::BlockKeys(packed, centres.data(), int(centres.size()), radius, room, centreValues.data(),
                               keys.data(), found.data());
                for (size_t c = 0; c < centres.size(); ++c) {
                    std::vector<uint64_t> expected;
                    for (int64_t row = 0; row < edge.rows; ++row) {
                        if (referenceKey(centres[c], row) <= radius)
                            expected.push_back(referenceKey(centres[c], row));
                    }
                    ASSERT_EQ(found[c], int64_t(expected.size())) << "centre " << centres[c] << ", radius " << radius;
                    expected.resize(size_t(std::min(room, found[c])));
                    const auto first = keys.begin() + ptrdiff_t(c) * room;
                    ASSERT_EQ(std::vector<uint64_t>(first, first + ptrdiff_t(expected.size())), expected)
                        << "centre " << centres[c] << ", radius " << radius << ", room " << room;
                }
            }
        }
    }
}

TEST(BlockedKeys, DenseSearchOnManyCoordinatesMatchesTheReference)
{
    for (const EdgeCase& edge : kEdgeCases) {
        const Table table = EdgeTable(edge.rows, edge.dimension, edge.low, edge.spread, uint32_t(edge.dimension));
        for (int64_t size : {int64_t(1), edge.rows / 3, edge.rows}) {
            const Found expected = Search(table, size, kvs::SearchMethod::Described, 1);
            for (int threads : {1, 3}) {
                const Found found = Search(table, size, kvs::SearchMethod::Dense, threads, JunkFilledHeap());
                SCOPED_TRACE(testing::Message() << "d " << edge.dimension << ", spread " << edge.spread << ", s "
                                                << size << ", threads " << threads);
                ASSERT_EQ(found.status, kvs::SearchStatus::Ok);
                EXPECT_EQ(found.centre, expected.centre);
                EXPECT_EQ(found.score, expected.score);
                EXPECT_EQ(found.subset, expected.subset);
            }
        }
    }
}
}  // namespace

namespace {
// rows x dimension coordinates in `count` tight clusters far apart.
Table Clusters(int64_t rows, int32_t dimension, int count)
{
    std::mt19937 random(17);
    std::uniform_int_distribution<int32_t> clusterCentre(-100000, 100000);
    std::uniform_int_distribution<int32_t> nearby(-20, 20);
    std::vector<int32_t> centres(size_t(count * dimension));
    for (int32_t& value : centres)
        value = clusterCentre(random);
    Table clusters{{}, rows, dimension};
    for (int64_t row = 0; row < rows; ++row) {
        for (int32_t k = 0; k < dimension; ++k)
            clusters.values.push_back(centres[size_t(row % count * dimension + k)] + nearby(random));
    }
    return clusters;
}

// The cost model on many coordinates: rows in tight clusters go to the
// k-d tree, rows spread evenly to the dense keys (laid out in doubles, or in
// word pairs where the values fit 16 bits, while the trial runs when there
// is a second thread); so do clusters in more coordinates than eight times
// the tree's depth (7 levels of 16-row leaves for 2048 rows), without a trial. Each answers like the dense method on
// one thread.
TEST(EngineCostModel, TreeForClustersDenseForSpreadRows)
{
    const struct {
        Table table;
        kvs::SearchMethod chosen;
    } cases[] = {{Clusters(4096, 8, 16), kvs::SearchMethod::Tree},
                 {RandomTable(4096, 8, 100000, 3), kvs::SearchMethod::Dense},
                 {RandomTable(2071, 33, 3000, 4), kvs::SearchMethod::Dense},
                 {Clusters(2048, 56, 64), kvs::SearchMethod::Tree},
                 {Clusters(2048, 57, 64), kvs::SearchMethod::Dense}};
    for (const auto& c : cases) {
        const Found dense = Search(c.table, 20, kvs::SearchMethod::Dense, 1);
        for (int threads : {0, 1, 2}) {
            kvs::SearchRequest request;
            request.table = c.table.view();
            request.size = 20;
            request.threads = threads;
            std::vector<int64_t> subset(20);
            kvs::SearchResult result;
            result.subset = subset.data();
            ASSERT_EQ(kvs::SearchSimilarRows(request, result), kvs::SearchStatus::Ok);
            EXPECT_EQ(result.method, c.chosen) << "d " << c.table.dimension << ", threads " << threads;
            EXPECT_EQ(result.centre, dense.centre) << "d " << c.table.dimension << ", threads " << threads;
            EXPECT_EQ(subset, dense.subset) << "d " << c.table.dimension << ", threads " << threads;
        }
    }
}
}  // namespace
