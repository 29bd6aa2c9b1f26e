#include "vectors/vector_series.h"

#include <vector>

#include "support/core_test_fixture.h"

namespace {
// A series test owns its picked set and the series it builds, and releases both.
class VectorSeriesTest : public CoreTest {
protected:
    void TearDown() override
    {
        FreeVectorSeriesHeader(owner, series);
        FreeVectorsArrayHeader(owner, picked);
        CoreTest::TearDown();
    }

    void Pick(int32_t x, int32_t y, int32_t capacity = 1)
    {
        const int32_t vector[] = {x, y};
        if (!picked)
            picked = CreateVectorsArrayHeader(owner, 2, capacity, nullptr);
        picked = AppendVector(owner, 2, capacity, picked->count + 1, vector, picked);
    }

    void Build(int32_t length = 1000, int32_t repeats = 502)
    {
        series = BuildVectorSeries(owner, length, repeats, &reference, picked, series);
    }

    std::vector<int32_t> Clean(int32_t i) const { return {series->vectorValues[i][0], series->vectorValues[i][1]}; }
    std::vector<int32_t> Noisy(int32_t i) const
    {
        return {series->noisyVectorValues[i][0], series->noisyVectorValues[i][1]};
    }

    void ExpectNoisyEqualsClean() const
    {
        for (int32_t i = 0; i < series->length; ++i)
            ASSERT_EQ(Noisy(i), Clean(i)) << "element " << i;
    }

    VectorHeader reference{};
    VectorsArrayHeader* picked = nullptr;
    VectorSeriesHeader* series = nullptr;
};

using Pair = std::vector<int32_t>;

TEST_F(VectorSeriesTest, FirstBuildDrawsTheBackgroundThenCopiesThePick)
{
    Pick(100, 100);
    Build();
    ASSERT_NE(series, nullptr);
    ExpectNoMessage();
    EXPECT_EQ(series->lpVectorHeader, &reference);
    EXPECT_EQ(series->dimension, 2);
    EXPECT_EQ(series->length, 1000);
    EXPECT_EQ(series->repeats, 502);
    EXPECT_EQ(series->noiseLevel, 0);
    EXPECT_EQ(series->centerIndex, 0);
    EXPECT_EQ(series->backgroundGenerated, 1);

    EXPECT_EQ(Clean(0), (Pair{144, 159}));
    EXPECT_EQ(Clean(1), (Pair{-66, -2}));
    EXPECT_EQ(Clean(2), (Pair{-29, 71}));
    EXPECT_EQ(Clean(3), (Pair{44, -57}));
    for (int32_t i = 0; i < 1000; ++i) {
        EXPECT_EQ(series->vectorIdentities[i], i < 498 ? 0 : 1) << "element " << i;
        if (i >= 498) {
            EXPECT_EQ(Clean(i), (Pair{100, 100})) << "element " << i;
        }
    }
    ExpectNoisyEqualsClean();

    // 996 draws, one per background coordinate.
    int16_t expected = kInitialBackgroundState;
    for (int i = 0; i < 996; ++i)
        RandomStep(expected);
    EXPECT_EQ(backgroundState, expected);
}

TEST_F(VectorSeriesTest, BlockHoldsIdentitiesCleanRowsNoisyRowsAndTheSubsetArea)
{
    Pick(1, 2);
    Build(10, 4);
    const int32_t* block = series->vectorIdentities;
    EXPECT_EQ(series->lengthCapacity, 10);
    EXPECT_EQ(series->dimensionCapacity, 2);
    EXPECT_EQ(series->noisyVectorValues, series->vectorValues + 10);
    for (int32_t i = 0; i < 10; ++i) {
        EXPECT_EQ(series->vectorValues[i], block + 10 + i * 2);
        EXPECT_EQ(series->noisyVectorValues[i], block + 30 + i * 2);
    }
    EXPECT_EQ(series->subsetIndices, block + 50);
    EXPECT_EQ(series->subsetCapacity, 4);
    for (int32_t slot = 0; slot < 4; ++slot)
        EXPECT_EQ(series->subsetIndices[slot], 0);
}

TEST_F(VectorSeriesTest, FirstBuildAndNoiseAtLevel100GiveTheKnownValuesAndStates)
{
    Pick(100, 100);
    Build();
    AddSeriesNoise(owner, 100, noiseState, series);
    EXPECT_EQ(series->noiseLevel, 100);
    EXPECT_EQ(Clean(0), (Pair{144, 159}));
    EXPECT_EQ(Noisy(0), (Pair{249, 96}));
    EXPECT_EQ(Clean(1), (Pair{-66, -2}));
    EXPECT_EQ(Noisy(1), (Pair{-120, -9}));
    EXPECT_EQ(backgroundState, 21841);
    EXPECT_EQ(noiseState, 17317);
}

TEST_F(VectorSeriesTest, NoiseAtLevelZeroLeavesNoisyEqualToCleanAndAdvancesTheState)
{
    Pick(100, 100);
    Build();
    AddSeriesNoise(owner, 50, noiseState, series);
    AddSeriesNoise(owner, 0, noiseState, series);
    EXPECT_EQ(series->noiseLevel, 0);
    ExpectNoisyEqualsClean();

    int16_t expected = kInitialNoiseState;
    for (int i = 0; i < 2 * 24000; ++i)
        RandomStep(expected);
    EXPECT_EQ(noiseState, expected);
}

TEST_F(VectorSeriesTest, NoiseKeepsOnlyTheLow16BitsOfEachSample)
{
    // At level 10922 the samples beyond three standard deviations pass 32767
    // and wrap when cut to 16 bits.
    Pick(100, 100);
    Build();
    int16_t state = noiseState;
    AddSeriesNoise(owner, 10922, noiseState, series);
    int wrapped = 0;
    for (int32_t i = 0; i < 1000; ++i) {
        for (int32_t j = 0; j < 2; ++j) {
            const int32_t sample = NoiseSample(state, 0, 10922);
            wrapped += sample != int16_t(sample);
            ASSERT_EQ(series->noisyVectorValues[i][j], series->vectorValues[i][j] + int16_t(sample))
                << "element " << i << ", coordinate " << j;
        }
    }
    EXPECT_GT(wrapped, 0);
}

TEST_F(VectorSeriesTest, WithoutPicksEveryElementIsBackgroundAndARebuildDrawsNothing)
{
    picked = CreateVectorsArrayHeader(owner, 2, 1, nullptr);
    Build();
    for (int32_t i = 0; i < 1000; ++i)
        ASSERT_EQ(series->vectorIdentities[i], 0);
    EXPECT_EQ(Clean(0), (Pair{144, 159}));
    int16_t expected = kInitialBackgroundState;
    for (int i = 0; i < 2000; ++i)
        RandomStep(expected);
    EXPECT_EQ(backgroundState, expected);
    const Pair last = Clean(999);

    AddSeriesNoise(owner, 25, noiseState, series);
    Build(1000, 300);
    EXPECT_EQ(backgroundState, expected);
    EXPECT_EQ(series->repeats, 300);
    EXPECT_EQ(Clean(999), last);
    EXPECT_NE(Noisy(999), last); // a build alone does not renew the noise
}

TEST_F(VectorSeriesTest, RebuildKeepsTheBackgroundAndRewritesTheTail)
{
    Pick(100, 100);
    Build();
    AddSeriesNoise(owner, 100, noiseState, series);
    const Pair firstNoisy = Noisy(0);
    const int16_t backgroundAfterFirst = backgroundState;

    Build();
    EXPECT_EQ(backgroundState, backgroundAfterFirst);
    EXPECT_EQ(Clean(0), (Pair{144, 159}));
    EXPECT_EQ(Noisy(998), (Pair{100, 100}));
    AddSeriesNoise(owner, 100, noiseState, series);
    EXPECT_NE(Noisy(0), firstNoisy); // the noise sequence goes on
}

TEST_F(VectorSeriesTest, TwoPicksOverflowTheLengthAndLeaveNoRoomForBackground)
{
    Pick(10, 20, 2);
    Pick(-30, 40, 2);
    Build();
    EXPECT_EQ(backgroundState, kInitialBackgroundState);
    for (int32_t i = 0; i < 1000; ++i) {
        ASSERT_EQ(series->vectorIdentities[i], i < 502 ? 1 : 2) << "element " << i;
        ASSERT_EQ(Clean(i), i < 502 ? (Pair{10, 20}) : (Pair{-30, 40})) << "element " << i;
    }
}

TEST_F(VectorSeriesTest, CopiesTakeTheirPickedVectorsDescriptorAsIdentity)
{
    const int32_t first[] = {1, 1};
    const int32_t second[] = {2, 2};
    picked = AppendVector(owner, 2, 2, 6, first, nullptr);
    picked = AppendVector(owner, 2, 2, 3, second, picked);
    Build(10, 4);
    for (int32_t i = 0; i < 10; ++i)
        EXPECT_EQ(series->vectorIdentities[i], i < 2 ? 0 : i < 6 ? 6 : 3) << "element " << i;
}

TEST_F(VectorSeriesTest, ClearZeroesTheValuesButKeepsTheSearchResult)
{
    Pick(100, 100);
    Build();
    AddSeriesNoise(owner, 10, noiseState, series);
    series->centerIndex = 777;
    for (int32_t k = 0; k < 502; ++k)
        series->subsetIndices[k] = 498 + k;

    ClearVectorSeries(owner, series);
    EXPECT_EQ(series->noiseLevel, 0);
    for (int32_t i = 0; i < 1000; ++i) {
        ASSERT_EQ(series->vectorIdentities[i], 0);
        ASSERT_EQ(Clean(i), (Pair{0, 0}));
        ASSERT_EQ(Noisy(i), (Pair{0, 0}));
    }
    EXPECT_EQ(series->centerIndex, 777);
    for (int32_t k = 0; k < 502; ++k)
        ASSERT_EQ(series->subsetIndices[k], 498 + k);
    EXPECT_EQ(series->backgroundGenerated, 1);
    EXPECT_EQ(series->length, 1000);

    VectorSeriesHeader bare{};
    bare.length = 5;
    bare.noiseLevel = 9;
    ClearVectorSeries(owner, &bare);
    EXPECT_EQ(bare.noiseLevel, 9);
    ClearVectorSeries(owner, nullptr);
    const int16_t stateBefore = noiseState;
    AddSeriesNoise(owner, 100, noiseState, nullptr);
    EXPECT_EQ(noiseState, stateBefore);
}

TEST_F(VectorSeriesTest, LongerRebuildMakesZeroedBuffersWithoutNewBackground)
{
    Pick(7, -7);
    Build(10, 4);
    const int16_t backgroundAfterFirst = backgroundState;
    Build(20, 4);
    EXPECT_EQ(series->lengthCapacity, 20);
    EXPECT_EQ(series->subsetCapacity, 4);
    EXPECT_EQ(backgroundState, backgroundAfterFirst);
    for (int32_t i = 0; i < 16; ++i)
        ASSERT_EQ(Clean(i), (Pair{0, 0})) << "element " << i;
    for (int32_t i = 16; i < 20; ++i) {
        EXPECT_EQ(series->vectorIdentities[i], 1);
        EXPECT_EQ(Noisy(i), (Pair{7, -7}));
    }
}

TEST_F(VectorSeriesTest, RowsTakeThePickedDimensionWheneverTheBuffersAreMadeAnew)
{
    const int32_t one[] = {5};
    const int32_t three[] = {1, 2, 3};
    const int32_t two[] = {-4, 9};
    VectorsArrayHeader* narrow = AppendVector(owner, 1, 1, 1, one, nullptr);
    VectorsArrayHeader* wide = AppendVector(owner, 3, 1, 1, three, nullptr);
    picked = AppendVector(owner, 2, 1, 1, two, nullptr);

    series = BuildVectorSeries(owner, 10, 4, &reference, narrow, nullptr);
    EXPECT_EQ(series->dimensionCapacity, 1);
    EXPECT_EQ(series->vectorValues[9], series->vectorIdentities + 10 + 9);
    EXPECT_EQ(series->noisyVectorValues[9], series->vectorIdentities + 20 + 9);
    EXPECT_EQ(series->subsetIndices, series->vectorIdentities + 30);

    // A wider vector than the rows hold: new buffers with rows of three slots.
    series = BuildVectorSeries(owner, 10, 4, &reference, wide, series);
    EXPECT_EQ(series->dimensionCapacity, 3);
    EXPECT_EQ(series->dimension, 3);
    EXPECT_EQ(series->vectorValues[9], series->vectorIdentities + 10 + 27);
    EXPECT_EQ(series->subsetIndices, series->vectorIdentities + 70);
    for (int32_t i = 6; i < 10; ++i) {
        EXPECT_EQ(std::vector<int32_t>(series->vectorValues[i], series->vectorValues[i] + 3),
                  (std::vector<int32_t>{1, 2, 3}));
        EXPECT_EQ(std::vector<int32_t>(series->noisyVectorValues[i], series->noisyVectorValues[i] + 3),
                  (std::vector<int32_t>{1, 2, 3}));
    }

    // A longer series remakes the buffers too, and its rows fit the narrower vectors.
    Build(20, 4);
    EXPECT_EQ(series->dimensionCapacity, 2);
    EXPECT_EQ(series->lengthCapacity, 20);
    EXPECT_EQ(series->vectorValues[19], series->vectorIdentities + 20 + 38);
    EXPECT_EQ(Clean(19), (Pair{-4, 9}));
    EXPECT_EQ(Noisy(16), (Pair{-4, 9}));
    FreeVectorsArrayHeader(owner, narrow);
    FreeVectorsArrayHeader(owner, wide);
}

TEST_F(VectorSeriesTest, NoiseAndClearingTouchOnlyTheCoordinatesInUse)
{
    // Rows made for three coordinates, then used for two.
    const int32_t three[] = {1, 2, 3};
    const int32_t two[] = {-4, 9};
    VectorsArrayHeader* wide = AppendVector(owner, 3, 1, 1, three, nullptr);
    series = BuildVectorSeries(owner, 10, 4, &reference, wide, nullptr);
    picked = AppendVector(owner, 2, 1, 1, two, nullptr);
    Build(10, 4);
    ASSERT_EQ(series->dimensionCapacity, 3);
    ASSERT_EQ(series->dimension, 2);

    int16_t state = noiseState;
    AddSeriesNoise(owner, 5, noiseState, series);
    for (int32_t i = 0; i < 10; ++i) {
        for (int32_t j = 0; j < 2; ++j)
            EXPECT_EQ(series->noisyVectorValues[i][j], series->vectorValues[i][j] + NoiseSample(state, 0, 5));
    }
    EXPECT_EQ(noiseState, state); // twelve steps for each of the 20 coordinates in use
    EXPECT_EQ(series->noisyVectorValues[9][2], 3);

    ClearVectorSeries(owner, series);
    EXPECT_EQ(Clean(9), (Pair{0, 0}));
    EXPECT_EQ(Noisy(9), (Pair{0, 0}));
    EXPECT_EQ(series->vectorValues[9][2], 3);
    EXPECT_EQ(series->noisyVectorValues[9][2], 3);
    FreeVectorsArrayHeader(owner, wide);
}

TEST_F(VectorSeriesTest, MissingPickedSetIsReportedAndTheSeriesReturnedUnchanged)
{
    EXPECT_EQ(BuildVectorSeries(owner, 1000, 502, &reference, nullptr, nullptr), nullptr);
    ExpectOneMessage("Не задан lpVectorsArrayHeader!");

    Pick(1, 1);
    Build(10, 4);
    recorder.clear();
    EXPECT_EQ(BuildVectorSeries(owner, 1000, 502, &reference, nullptr, series), series);
    ExpectOneMessage("Не задан lpVectorsArrayHeader!");
    EXPECT_EQ(series->length, 10);

    recorder.clear();
    const VectorsArrayHeader withoutRows{};
    EXPECT_EQ(BuildVectorSeries(owner, 1000, 502, &reference, &withoutRows, series), series);
    ExpectOneMessage("Не заданы значения lpVectorsArrayHeader!");
    EXPECT_EQ(series->length, 10);
}

TEST_F(VectorSeriesTest, FailedAllocationsReportAndLeaveNoSeries)
{
    Pick(100, 100);
    const struct {
        long failing;
        const char* message;
    } rows[] = {
        {1, "Нет памяти для newVectorSeriesHeader!"},
        {2, "Нет памяти для newVectorSeriesHeader->vectorIdentities!"},
        {3, "Нет памяти для newVectorSeriesHeader->vectorValues!"},
    };
    const long live = LiveAllocationCount();
    for (const auto& row : rows) {
        recorder.clear();
        FailNthAllocation(row.failing);
        EXPECT_EQ(BuildVectorSeries(owner, 1000, 502, &reference, picked, nullptr), nullptr);
        ExpectOneMessage(row.message);
        EXPECT_EQ(LiveAllocationCount(), live);
    }

    // A given series that must grow is released when its new block fails.
    Build(10, 4);
    recorder.clear();
    FailNthAllocation(1);
    EXPECT_EQ(BuildVectorSeries(owner, 20, 4, &reference, picked, series), nullptr);
    series = nullptr;
    ExpectOneMessage("Нет памяти для newVectorSeriesHeader->vectorIdentities!");
    EXPECT_EQ(LiveAllocationCount(), live);
}
}
