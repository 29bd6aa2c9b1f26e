// Dealing the centres out in chunks and combining the chunks' best centres
// give the whole search's answer, whatever the split.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "cluster/centre_chunks.h"
#include "cluster/partial_best.h"

namespace {
std::vector<CentreRange> DealAll(int64_t begin, int64_t end, int ranks, int threads)
{
    CentreChunks chunks = MakeCentreChunks(begin, end, ranks, threads);
    std::vector<CentreRange> dealt;
    for (CentreRange range = TakeCentreChunk(chunks); range.count() > 0; range = TakeCentreChunk(chunks))
        dealt.push_back(range);
    return dealt;
}

TEST(CentreChunks, CoverTheRangeOnceInShrinkingChunksAboveTheFloor)
{
    struct Case {
        int64_t begin, end;
        int ranks, threads;
    };
    for (const Case c : {Case{0, 1, 3, 1}, Case{0, 20000, 2, 1}, Case{5, 1005, 3, 4}, Case{0, 7, 2, 2},
                         Case{100, 100, 2, 1}, Case{0, 1000000, 64, 8}}) {
        SCOPED_TRACE(testing::Message() << c.begin << ".." << c.end << " over " << c.ranks << " x " << c.threads);
        const std::vector<CentreRange> dealt = DealAll(c.begin, c.end, c.ranks, c.threads);
        int64_t next = c.begin;
        for (std::size_t i = 0; i < dealt.size(); ++i) {
            EXPECT_EQ(dealt[i].begin, next);
            EXPECT_GT(dealt[i].count(), 0);
            if (i > 0) {
                EXPECT_LE(dealt[i].count(), dealt[i - 1].count());
            }
            if (i + 1 < dealt.size()) {
                EXPECT_GE(dealt[i].count(), 8 * c.threads);
            }
            next = dealt[i].end;
        }
        EXPECT_EQ(next, c.end);
        // Large ranges end in chunks of a sixteenth of an even share, so the
        // ranks can finish together, and take few chunks.
        if (c.end - c.begin >= 20000) {
            EXPECT_LE(dealt.back().count() * c.ranks * 16, c.end - c.begin + c.ranks * 16);
            EXPECT_LE(dealt.size(), std::size_t(8 * c.ranks));
        }
    }
}

TEST(PartialBest, SmallestScoreWinsThenTheLaterCentreAndAnyCentreBeatsNone)
{
    struct Case {
        PartialBest a, b;
        bool aWins;
    };
    const auto part = [](uint64_t score, int64_t centre) { return PartialBest{{0, score}, centre}; };
    const PartialBest none;
    const kvs::Score wide{1 << 4, 0};
    const kvs::Score widest{~uint64_t(0), ~uint64_t(0)};
    for (const Case& c : {Case{part(5, 2), part(6, 9), true}, Case{part(6, 9), part(5, 2), false},
                          Case{part(5, 9), part(5, 2), true}, Case{part(5, 2), part(5, 9), false},
                          Case{{widest, 0}, none, true}, Case{none, part(7, 3), false}, Case{none, none, false},
                          Case{{wide, 4}, {{wide.high, 1}, 5}, true}, Case{{{0, ~uint64_t(0)}, 6}, {wide, 1}, true}})
        EXPECT_EQ(BeatsPartialBest(c.a, c.b), c.aWins) << kvs::to_string(c.a.score) << "@" << c.a.centre << " vs "
                                                        << kvs::to_string(c.b.score) << "@" << c.b.centre;
}

// A search over a table with many equal scores, split as the ranks would
// split it and combined in a scrambled order, finds the same centre as the
// whole search.
TEST(PartialBest, ChunkBestsCombineToTheWholeSearchsWinnerUnderHeavyTies)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> coordinate(0, 2);
    std::vector<int32_t> values(2 * 600);
    for (int32_t& value : values)
        value = coordinate(random);
    const kvs::VectorTable table{values.data(), 600, 2};

    kvs::SearchRequest whole;
    whole.table = table;
    whole.size = 40;
    whole.threads = 1;
    kvs::SearchResult expected;
    ASSERT_EQ(kvs::SearchSimilarRows(whole, expected), kvs::SearchStatus::Ok);

    for (int ranks : {2, 3, 7}) {
        std::vector<PartialBest> parts;
        for (const CentreRange range : DealAll(0, table.rows, ranks, 1)) {
            kvs::SearchRequest chunk = whole;
            chunk.centreBegin = range.begin;
            chunk.centreEnd = range.end;
            kvs::SearchResult result;
            ASSERT_EQ(kvs::SearchSimilarRows(chunk, result), kvs::SearchStatus::Ok);
            parts.push_back({result.score, result.centre});
        }
        std::shuffle(parts.begin(), parts.end(), random);
        PartialBest best;
        for (const PartialBest& part : parts)
            FoldPartialBest(best, part);
        EXPECT_EQ(best.centre, expected.centre) << ranks << " ranks";
        EXPECT_TRUE(best.score == expected.score);
    }
}
}  // namespace
