#include "search/decrease_step_sorting.h"

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "support/core_test_fixture.h"
#include "platform/memory.h"

namespace {
using SortingTest = CoreTest;
using Index = std::vector<int32_t>;

template <typename Key, typename Sort>
Index Sorted(const std::vector<Key>& keys, Sort sort)
{
    Index index(keys.size(), -1);
    EXPECT_EQ(sort(int32_t(keys.size()), keys.data(), index.data()), index.data());
    return index;
}

TEST(DecreaseStepGaps, FirstGapFollowsTheRangesOfN)
{
    const struct {
        int32_t n;
        int32_t gap;
    } rows[] = {{0, 1},   {1, 1},    {13, 1},   {14, 4},    {40, 4},     {41, 13},     {121, 13},
                {122, 40}, {364, 40}, {365, 121}, {1000, 121}, {1093, 121}, {1094, 364}, {2147483647, 581130733}};
    for (const auto& row : rows)
        EXPECT_EQ(DecreaseStepFirstGap(row.n), row.gap) << "n = " << row.n;
}

// The described procedure with its gaps spelled out, for comparing tie orders.
Index ShellWithGaps(const std::vector<int64_t>& keys, const Index& gaps)
{
    const int32_t n = int32_t(keys.size());
    Index index(n);
    for (int32_t i = 0; i < n; ++i)
        index[i] = i;
    for (int32_t gap : gaps) {
        for (int32_t i = gap; i < n; ++i) {
            const int32_t placed = index[i];
            int32_t j = i - gap;
            for (; j >= 0 && keys[placed] < keys[index[j]]; j -= gap)
                index[j + gap] = index[j];
            index[j + gap] = placed;
        }
    }
    return index;
}

TEST_F(SortingTest, ThousandKeysUseTheGaps121To1)
{
    // With many equal keys the final order of equals depends on the gaps used.
    std::vector<int64_t> keys(1000);
    for (int32_t i = 0; i < 1000; ++i)
        keys[i] = (i * 7919) % 11;
    const Index expected = ShellWithGaps(keys, {121, 40, 13, 4, 1});
    ASSERT_NE(expected, ShellWithGaps(keys, {364, 121, 40, 13, 4, 1}));
    EXPECT_EQ(Sorted(keys, DecreaseStepSortingInt64), expected);
}

TEST_F(SortingTest, SmallCounts)
{
    Index index = {-5, -5};
    EXPECT_EQ(DecreaseStepSortingInt64(0, nullptr, index.data()), index.data());
    EXPECT_EQ(index, (Index{-5, -5}));
    EXPECT_EQ(CheckSortingInt64(0, nullptr, index.data()), 1);

    EXPECT_EQ(Sorted<int64_t>({42}, DecreaseStepSortingInt64), (Index{0}));
    EXPECT_EQ(Sorted<int64_t>({5, 3}, DecreaseStepSortingInt64), (Index{1, 0}));
    EXPECT_EQ(Sorted<int64_t>({2, 9, 1, 2}, DecreaseStepSortingInt64), (Index{2, 0, 3, 1}));
}

TEST_F(SortingTest, EqualKeysStopTheAscendingMemberAndNotTheDescendingOnes)
{
    const Index ascending = Sorted<int64_t>({7, 7, 7, 7, 7}, DecreaseStepSortingInt64);
    EXPECT_EQ(ascending, (Index{0, 1, 2, 3, 4}));
    EXPECT_EQ(CheckSortingInt64(5, std::vector<int64_t>(5, 7).data(), ascending.data()), 1);

    const Index descending{4, 3, 2, 1, 0};
    const std::vector<double> doubles(5, 1.5);
    const std::vector<int16_t> shorts(5, -3);
    const std::vector<int32_t> longs(5, 70000);
    EXPECT_EQ(Sorted(doubles, DecreaseStepSortingDouble), descending);
    EXPECT_EQ(Sorted(shorts, DecreaseStepSortingShort), descending);
    EXPECT_EQ(Sorted(longs, DecreaseStepSortingLong), descending);
    EXPECT_EQ(CheckSortingDouble(5, doubles.data(), descending.data()), 1);
    EXPECT_EQ(CheckSortingShort(5, shorts.data(), descending.data()), 1);
    EXPECT_EQ(CheckSortingLong(5, longs.data(), descending.data()), 1);
}

TEST_F(SortingTest, Int64KeysCompareAsSigned64BitValues)
{
    const int64_t topBitLow = int64_t(1) << 31;
    const std::vector<int64_t> keys = {topBitLow, topBitLow - 1, -1, int64_t(1) << 32,
                                       std::numeric_limits<int64_t>::min(), 0};
    EXPECT_EQ(Sorted(keys, DecreaseStepSortingInt64), (Index{4, 2, 5, 1, 0, 3}));
}

TEST_F(SortingTest, EveryMemberSortsRandomKeysAndItsCheckerTellsOrderFromDisorder)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> value(-30000, 30000);
    std::vector<int64_t> int64s(300);
    std::vector<double> doubles(300);
    std::vector<int16_t> shorts(300);
    std::vector<int32_t> longs(300);
    for (int i = 0; i < 300; ++i) {
        const int32_t v = value(random);
        int64s[i] = int64_t(v) * 100000;
        doubles[i] = v / 7.0;
        shorts[i] = int16_t(v);
        longs[i] = v * 1000;
    }
    const Index a = Sorted(int64s, DecreaseStepSortingInt64);
    const Index b = Sorted(doubles, DecreaseStepSortingDouble);
    const Index c = Sorted(shorts, DecreaseStepSortingShort);
    const Index d = Sorted(longs, DecreaseStepSortingLong);
    for (int i = 0; i + 1 < 300; ++i) {
        EXPECT_LE(int64s[a[i]], int64s[a[i + 1]]);
        EXPECT_GE(doubles[b[i]], doubles[b[i + 1]]);
        EXPECT_GE(shorts[c[i]], shorts[c[i + 1]]);
        EXPECT_GE(longs[d[i]], longs[d[i + 1]]);
    }
    EXPECT_EQ(CheckSortingInt64(300, int64s.data(), a.data()), 1);
    EXPECT_EQ(CheckSortingDouble(300, doubles.data(), b.data()), 1);
    EXPECT_EQ(CheckSortingShort(300, shorts.data(), c.data()), 1);
    EXPECT_EQ(CheckSortingLong(300, longs.data(), d.data()), 1);

    // The ascending order read backwards is the descending one and vice versa.
    const Index reversedA(a.rbegin(), a.rend());
    const Index reversedB(b.rbegin(), b.rend());
    EXPECT_EQ(CheckSortingInt64(300, int64s.data(), reversedA.data()), 0);
    EXPECT_EQ(CheckSortingDouble(300, doubles.data(), reversedB.data()), 0);
    EXPECT_EQ(CheckSortingShort(300, shorts.data(), Index(c.rbegin(), c.rend()).data()), 0);
    EXPECT_EQ(CheckSortingLong(300, longs.data(), Index(d.rbegin(), d.rend()).data()), 0);
}

TEST_F(SortingTest, AGarbageIndexGivesTheSameResultAsAFreshOne)
{
    const std::vector<int64_t> keys = {9, -2, 9, 4, 4, 0, 13, -2, 9, 1, 1, 5, 6, 9, 2, 4};
    Index garbage(keys.size(), 123456789);
    garbage[3] = -1;
    DecreaseStepSortingInt64(int32_t(keys.size()), keys.data(), garbage.data());

    int32_t* fresh = DecreaseStepSortingInt64(int32_t(keys.size()), keys.data(), nullptr);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(garbage, Index(fresh, fresh + keys.size()));
    ReleaseMemory(fresh);
}

TEST_F(SortingTest, ANaNKeyLeavesAnOrderTheDoubleCheckerRejects)
{
    const std::vector<double> keys = {1.0, std::nan(""), 3.0, 2.0};
    const Index index = Sorted(keys, DecreaseStepSortingDouble);
    EXPECT_EQ(CheckSortingDouble(4, keys.data(), index.data()), 0);
}

TEST_F(SortingTest, IndexThatCannotBeAllocatedYieldsNone)
{
    const std::vector<int64_t> keys = {3, 1, 2};
    FailNthAllocation(1);
    EXPECT_EQ(DecreaseStepSortingInt64(3, keys.data(), nullptr), nullptr);
    FailNthAllocation(1);
    EXPECT_EQ(DecreaseStepSortingDouble(3, std::vector<double>{1, 2, 3}.data(), nullptr), nullptr);
    ExpectNoMessage();
}
}
