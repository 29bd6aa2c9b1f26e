#include "vectors/noise_generators.h"

#include <vector>

#include "support/core_test_fixture.h"

namespace {
using NoiseGeneratorTest = CoreTest;

std::vector<int32_t> Steps(int16_t& state, int count)
{
    std::vector<int32_t> values;
    for (int i = 0; i < count; ++i)
        values.push_back(RandomStep(state));
    return values;
}

std::vector<int32_t> Samples(int32_t level, int count)
{
    int16_t state = kInitialNoiseState;
    std::vector<int32_t> values;
    for (int i = 0; i < count; ++i)
        values.push_back(NoiseSample(state, 0, level));
    return values;
}

TEST_F(NoiseGeneratorTest, StatesRunTheirKnownSequences)
{
    EXPECT_EQ(Steps(backgroundState, 10),
              (std::vector<int32_t>{29750, 31131, 10196, 16177, 13634, 22999, 20480, 11021, 16270, 30803}));
    EXPECT_EQ(Steps(noiseState, 12), (std::vector<int32_t>{32070, 2795, 29284, 30721, 9554, 11815, 10640, 28381,
                                                           9886, 24483, 14332, 27129}));
    int16_t state = 0;
    EXPECT_EQ(RandomStep(state), 6925);
    EXPECT_EQ(state, 6925);
    state = 32767;
    EXPECT_EQ(RandomStep(state), 26824);
}

TEST_F(NoiseGeneratorTest, FirstSamplesAtThreeLevels)
{
    EXPECT_EQ(Samples(100, 6), (std::vector<int32_t>{105, -63, -54, -7, 40, -49}));
    EXPECT_EQ(Samples(10, 6), (std::vector<int32_t>{10, -7, -6, -1, 4, -5}));
    EXPECT_EQ(Samples(5, 6), (std::vector<int32_t>{5, -4, -3, -1, 2, -3}));

    for (int32_t level : {0, 5, 100}) {
        int16_t state = kInitialNoiseState;
        for (int i = 0; i < 6; ++i)
            NoiseSample(state, 0, level);
        EXPECT_EQ(state, 32413) << "level " << level;
    }
}

TEST_F(NoiseGeneratorTest, ScalingRoundsTowardsMinusInfinity)
{
    // The second sample's centred value is -20350: -101750 >> 15 is -4, not -3.
    EXPECT_EQ(Samples(5, 2)[1], -4);
    // A negative level negates the product before the shift: -3448200 >> 15 is -106.
    EXPECT_EQ(Samples(-100, 1)[0], -106);
}

TEST_F(NoiseGeneratorTest, LevelZeroGivesTheMeanAndStillAdvancesTwelveSteps)
{
    int16_t state = kInitialNoiseState;
    EXPECT_EQ(NoiseSample(state, 0, 0), 0);
    EXPECT_EQ(state, 27129);
    EXPECT_EQ(NoiseSample(state, -37, 0), -37);
    EXPECT_EQ(NoiseSample(state, 0, 100), -54); // the third sample: the state went on
}

TEST_F(NoiseGeneratorTest, OnlyTheLow16BitsOfLevelAndMeanCount)
{
    EXPECT_EQ(Samples(65541, 6), Samples(5, 6));
    EXPECT_EQ(Samples(40000, 3), Samples(-25536, 3));

    int16_t state = kInitialNoiseState;
    EXPECT_EQ(NoiseSample(state, 65536 + 7, 0), 7);
    EXPECT_EQ(NoiseSample(state, 40000, 0), -25536);
}
}
