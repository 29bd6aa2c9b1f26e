#include "search/subset_search.h"

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "support/core_test_fixture.h"

namespace {
using Index = std::vector<int32_t>;

// A series made by hand from a list of points, holding only what the search reads and writes.
struct HandSeries {
    explicit HandSeries(const std::vector<std::vector<int32_t>>& points, int32_t subsetSlots)
        : rows(points), subset(subsetSlots, -9)
    {
        for (auto& row : rows)
            rowTable.push_back(row.data());
        header.noisyVectorValues = rowTable.data();
        header.subsetIndices = subset.data();
        header.subsetCapacity = subsetSlots;
        header.centerIndex = -9;
    }
    std::vector<std::vector<int32_t>> rows;
    std::vector<int32_t*> rowTable;
    Index subset;
    VectorSeriesHeader header{};
};

class SubsetSearchTest : public CoreTest {
protected:
    void TearDown() override
    {
        FreeVectorHeader(owner, centre);
        CoreTest::TearDown();
    }

    void Search(HandSeries& series, int32_t s)
    {
        centre = SearchSimilarSubset(owner, int32_t(series.rows.size()), s, int32_t(series.rows[0].size()), centre,
                                     &series.header);
    }

    VectorHeader* centre = nullptr;
};

TEST_F(SubsetSearchTest, NoiselessDemoSeriesFindsTheLastCopyAndAllCopies)
{
    const int32_t pick[] = {100, 100};
    VectorsArrayHeader* picked = AppendVector(owner, 2, 1, 1, pick, nullptr);
    VectorSeriesHeader* series = BuildVectorSeries(owner, 1000, 502, nullptr, picked, nullptr);
    AddSeriesNoise(owner, 0, noiseState, series);
    for (int32_t i = 0; i < 498; ++i)
        ASSERT_FALSE(series->noisyVectorValues[i][0] == 100 && series->noisyVectorValues[i][1] == 100);

    centre = SearchSimilarSubset(owner, 1000, 502, 2, centre, series);
    EXPECT_EQ(series->centerIndex, 1000);
    Index subset(series->subsetIndices, series->subsetIndices + 502);
    std::sort(subset.begin(), subset.end());
    Index copies(502);
    std::iota(copies.begin(), copies.end(), 498);
    EXPECT_EQ(subset, copies);
    ExpectNoMessage();
    FreeVectorSeriesHeader(owner, series);
    FreeVectorsArrayHeader(owner, picked);
}

TEST_F(SubsetSearchTest, LastCentreAmongEqualSumsWins)
{
    HandSeries series({{0, 0}, {10, 0}, {1, 1}, {0, 2}, {-20, 0}}, 2);
    Search(series, 2);
    EXPECT_EQ(series.header.centerIndex, 4);
    EXPECT_EQ(series.subset, (Index{3, 2}));
}

TEST_F(SubsetSearchTest, SubsetOfEveryElementIsAPermutationInDistanceOrder)
{
    HandSeries series({{5, 5}, {-3, 8}, {0, 0}, {9, -9}, {5, 5}, {2, 1}}, 6);
    Search(series, 6);
    // Centre (2, 1) has the smallest sum of all distances: 25+85+5+149+25+0.
    EXPECT_EQ(series.header.centerIndex, 6);
    EXPECT_EQ(series.subset[0], 5);
    Index sorted = series.subset;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (Index{0, 1, 2, 3, 4, 5}));
}

// A sort that leaves the index in reverse order: the check catches every
// centre whose keys it leaves out of order, and the search goes on with it.
int32_t* ReversedIndexSort(int32_t n, const int64_t*, int32_t* index)
{
    for (int32_t i = 0; i < n; ++i)
        index[i] = n - 1 - i;
    return index;
}

TEST_F(SubsetSearchTest, BrokenSortOrderIsReportedForEachCentreAndUsedAsItIs)
{
    HandSeries series({{0, 0}, {1, 0}, {5, 0}}, 2);
    testHooks.searchSort = ReversedIndexSort;
    Search(series, 2);
    testHooks.searchSort = nullptr;

    // Centres 1 and 2 see their keys out of order; centre 3's keys (25, 16, 0)
    // read backwards happen to ascend.
    ASSERT_EQ(recorder.messages().size(), 2u);
    for (const RecordedMessage& message : recorder.messages()) {
        EXPECT_EQ(message.text, " сортировка с убывающим шагом: ошибка\n");
        EXPECT_EQ(message.caption, "About DecreaseStepSorting");
        EXPECT_EQ(message.owner, owner);
    }
    // Summed through the reversed index: 26, 16 and 16, so the last centre
    // wins with the two elements the index names first (a sound sort gives centre 2).
    EXPECT_EQ(series.header.centerIndex, 3);
    EXPECT_EQ(series.subset, (Index{2, 1}));

    recorder.clear();
    Search(series, 2);
    ExpectNoMessage();
    EXPECT_EQ(series.header.centerIndex, 2);
}

TEST_F(SubsetSearchTest, SingleElement)
{
    HandSeries series({{-17, 4}}, 1);
    Search(series, 1);
    EXPECT_EQ(series.header.centerIndex, 1);
    EXPECT_EQ(series.subset, (Index{0}));
}

TEST_F(SubsetSearchTest, SquaresAre32BitProductsWidenedWithTheirSign)
{
    // 46341 squared does not fit 32 bits: it wraps to -2147479015, which makes
    // the two ends of the line each other's nearest element.
    HandSeries series({{0}, {46341}, {1}}, 2);
    Search(series, 2);
    EXPECT_EQ(series.header.centerIndex, 2);
    EXPECT_EQ(series.subset, (Index{0, 1}));
}

TEST_F(SubsetSearchTest, NoCentreIsAcceptedWhenEverySumExceedsTheStartingBest)
{
    // 500 coordinates 46340 apart: every two-element sum is 500 * 46340^2 > 10^12.
    HandSeries series({std::vector<int32_t>(500, 0), std::vector<int32_t>(500, 46340)}, 2);
    Search(series, 2);
    EXPECT_EQ(series.header.centerIndex, 0);
    EXPECT_EQ(series.subset, (Index{0, 0}));
    ExpectNoMessage();
}

TEST_F(SubsetSearchTest, CentreVectorIsMadeWhenMissingAndOtherwiseLeftAsItIs)
{
    HandSeries series({{1, 2}, {3, 4}, {1, 3}}, 2);
    Search(series, 2);
    ASSERT_NE(centre, nullptr);
    EXPECT_EQ(centre->count, 2);
    EXPECT_EQ(centre->value, 0);
    EXPECT_EQ(centre->lpData[0], 0);
    EXPECT_EQ(centre->lpData[1], 0);

    centre->lpData[0] = 55;
    VectorHeader* given = centre;
    Search(series, 2);
    EXPECT_EQ(centre, given);
    EXPECT_EQ(centre->lpData[0], 55);
    EXPECT_EQ(centre->lpData[1], 0);
}

TEST_F(SubsetSearchTest, RepeatedSearchGivesTheSameResult)
{
    const int32_t pick[] = {-40, 60};
    VectorsArrayHeader* picked = AppendVector(owner, 2, 1, 1, pick, nullptr);
    VectorSeriesHeader* series = BuildVectorSeries(owner, 200, 80, nullptr, picked, nullptr);
    AddSeriesNoise(owner, 50, noiseState, series);
    centre = SearchSimilarSubset(owner, 200, 80, 2, centre, series);
    const int32_t firstCentre = series->centerIndex;
    const Index firstSubset(series->subsetIndices, series->subsetIndices + 80);
    centre = SearchSimilarSubset(owner, 200, 80, 2, centre, series);
    EXPECT_EQ(series->centerIndex, firstCentre);
    EXPECT_EQ(Index(series->subsetIndices, series->subsetIndices + 80), firstSubset);
    FreeVectorSeriesHeader(owner, series);
    FreeVectorsArrayHeader(owner, picked);
}

TEST_F(SubsetSearchTest, MissingWorkingStorageIsReportedAndTheResultKept)
{
    HandSeries series({{0, 0}, {1, 1}, {5, 5}}, 2);
    centre = CreateVectorHeader(owner, 2, 0, nullptr, nullptr);
    for (long failing : {1, 2}) {
        recorder.clear();
        FailNthAllocation(failing);
        Search(series, 2);
        ExpectOneMessage("Нет памяти для SearchSimilarSubset!");
        EXPECT_EQ(series.header.centerIndex, -9);
        EXPECT_EQ(series.subset, (Index{-9, -9}));
        EXPECT_NE(centre, nullptr);
    }
}

TEST_F(SubsetSearchTest, CentreVectorThatCannotBeMadeStillLetsTheSearchRun)
{
    HandSeries series({{0, 0}, {1, 1}, {5, 5}}, 2);
    FailNthAllocation(1);
    Search(series, 2);
    EXPECT_EQ(centre, nullptr);
    ExpectOneMessage("Нет памяти для newVectorHeader!");
    EXPECT_EQ(series.header.centerIndex, 2);
}

TEST_F(SubsetSearchTest, SubsetLargerThanItsAreaIsRefused)
{
    const int32_t pick[] = {3, 3};
    VectorsArrayHeader* picked = AppendVector(owner, 2, 1, 1, pick, nullptr);
    VectorSeriesHeader* series = BuildVectorSeries(owner, 20, 4, nullptr, picked, nullptr);
    series = BuildVectorSeries(owner, 20, 8, nullptr, picked, series);
    EXPECT_EQ(series->subsetCapacity, 4);
    series->centerIndex = 3;

    centre = SearchSimilarSubset(owner, 20, 8, 2, centre, series);
    ExpectOneMessage("Нет места для subsetIndices в SearchSimilarSubset!");
    EXPECT_EQ(series->centerIndex, 3);
    EXPECT_EQ(Index(series->subsetIndices, series->subsetIndices + 4), (Index{0, 0, 0, 0}));
    FreeVectorSeriesHeader(owner, series);
    FreeVectorsArrayHeader(owner, picked);
}

int64_t SquaredDistance(const std::vector<int32_t>& a, const std::vector<int32_t>& b)
{
    int64_t sum = 0;
    for (std::size_t k = 0; k < a.size(); ++k)
        sum += int64_t(a[k] - b[k]) * (a[k] - b[k]);
    return sum;
}

// Which elements tie at the subset's edge depends on the sort, so the search
// is held to what any correct answer must satisfy: the centre is the last one
// with the least sum of its s smallest distances, and the subset is s distinct
// elements, nearest first, whose distances are exactly those s smallest.
TEST_F(SubsetSearchTest, AgreesWithAPlainSearchOnRandomSeries)
{
    std::mt19937 random(20261207);
    for (int trial = 0; trial < 400; ++trial) {
        const int32_t n = std::uniform_int_distribution<int32_t>(1, 60)(random);
        const int32_t s = std::uniform_int_distribution<int32_t>(1, n)(random);
        const int32_t range = trial % 2 ? 200 : 2; // a narrow range makes many ties
        std::uniform_int_distribution<int32_t> coordinate(-range, range);
        std::vector<std::vector<int32_t>> points(n, std::vector<int32_t>(2));
        for (auto& point : points)
            point = {coordinate(random), coordinate(random)};

        int64_t bestSum = 0;
        int32_t bestCentre = 0;
        std::vector<int64_t> bestDistances;
        for (int32_t j = 0; j < n; ++j) {
            std::vector<int64_t> distances;
            for (const auto& point : points)
                distances.push_back(SquaredDistance(points[j], point));
            std::vector<int64_t> smallest = distances;
            std::sort(smallest.begin(), smallest.end());
            smallest.resize(s);
            const int64_t sum = std::accumulate(smallest.begin(), smallest.end(), int64_t(0));
            if (bestCentre == 0 || sum <= bestSum) {
                bestSum = sum;
                bestCentre = j + 1;
                bestDistances = smallest;
            }
        }

        HandSeries series(points, s);
        Search(series, s);
        ASSERT_EQ(series.header.centerIndex, bestCentre) << "trial " << trial;
        std::vector<int64_t> found;
        for (int32_t element : series.subset)
            found.push_back(SquaredDistance(points[bestCentre - 1], points[element]));
        ASSERT_EQ(found, bestDistances) << "trial " << trial;
        Index distinct = series.subset;
        std::sort(distinct.begin(), distinct.end());
        ASSERT_TRUE(std::adjacent_find(distinct.begin(), distinct.end()) == distinct.end()) << "trial " << trial;
        ASSERT_TRUE(distinct.front() >= 0 && distinct.back() < n) << "trial " << trial;
    }
    ExpectNoMessage();
}
}
