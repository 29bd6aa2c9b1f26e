// The series builder lends a caller's own generator states to the process-wide
// ones under one lock: a window's builds and the rows' builds (kvs study's,
// the Python module's) on two threads at once give what they give one after
// the other, and a refused allocation shows nothing and holds nothing.
#include "vectors/series_builder.h"

#include <atomic>
#include <thread>
#include <vector>

#include "platform/message_box.h"
#include "support/core_test_fixture.h"

namespace {

using Rows = std::vector<int32_t>;

constexpr int32_t kPick[] = {-115, 88};
constexpr int32_t kLevel = 25;
constexpr int kBuilds = 20;
// Long enough that two backgrounds started together are drawn at the same time.
constexpr int32_t kLength = 50000;

// A state of its own for each build, none of them the process-wide pair's.
GeneratorStates StatesOf(int build) { return {int16_t(1000 + 7 * build), int16_t(20000 + 13 * build)}; }

// The noisy rows of a new series built as a main window builds it.
Rows WindowBuild(const VectorsArrayHeader* picked, GeneratorStates states)
{
    VectorSeriesHeader* series =
        BuildNoisySeries(nullptr, kLength, kSeriesRepeats, nullptr, picked, kLevel, states, nullptr);
    Rows rows;
    for (int32_t i = 0; series && i < series->length; ++i)
        rows.insert(rows.end(), series->noisyVectorValues[i], series->noisyVectorValues[i] + series->dimension);
    FreeVectorSeriesHeader(nullptr, series);
    return rows;
}

Rows RowsBuild(GeneratorStates states)
{
    const int32_t levels[] = {kLevel};
    SeriesRows rows;
    BuildSeriesRows(kPick, kSeriesDimension, levels, kLength, kSeriesRepeats, states, rows);
    return rows.noisy;
}

using SeriesBuilderTest = CoreTest;

TEST_F(SeriesBuilderTest, BuildsOnTwoThreadsGiveWhatTheyGiveOneAfterTheOther)
{
    VectorsArrayHeader* picked = AppendVector(nullptr, kSeriesDimension, 1, 1, kPick, nullptr);
    ASSERT_NE(picked, nullptr);
    std::vector<Rows> expected;
    for (int build = 0; build < kBuilds; ++build) {
        expected.push_back(RowsBuild(StatesOf(build)));
        ASSERT_TRUE(WindowBuild(picked, StatesOf(build)) == expected.back()) << "build " << build;
    }

    std::vector<Rows> byWindow(kBuilds);
    std::vector<Rows> byRows(kBuilds);
    {
        // Each pair of builds starts at once: a thread counts its arrival and
        // waits, yielding, for the other's. (libstdc++'s std::barrier can miss
        // a wake-up on the Windows build's threads and wait for ever.)
        std::atomic<int> arrived{0};
        const auto meet = [&](int build) {
            arrived.fetch_add(1);
            while (arrived.load() < 2 * (build + 1))
                std::this_thread::yield();
        };
        std::jthread window([&] {
            for (int build = 0; build < kBuilds; ++build) {
                meet(build);
                byWindow[build] = WindowBuild(picked, StatesOf(build));
            }
        });
        for (int build = 0; build < kBuilds; ++build) {
            meet(build);
            byRows[build] = RowsBuild(StatesOf(build));
        }
    }
    FreeVectorsArrayHeader(nullptr, picked);
    for (int build = 0; build < kBuilds; ++build) {
        EXPECT_TRUE(byWindow[build] == expected[build]) << "build " << build;
        EXPECT_TRUE(byRows[build] == expected[build]) << "build " << build;
    }
    EXPECT_EQ(backgroundState, kInitialBackgroundState);
    ExpectNoMessage();
}

TEST_F(SeriesBuilderTest, ARefusedAllocationShowsNothingAndHoldsNothing)
{
    const int32_t picks[] = {7, -9, 100, 100};
    const int32_t levels[] = {5, 10};
    SeriesRows rows;
    rows.identities = {42};
    long refused = 1;
    for (; refused < 100; ++refused) {
        FailNthAllocation(refused);
        const bool built = BuildSeriesRows(picks, 2, levels, 20, 4, {}, rows);
        FailNthAllocation(0);
        EXPECT_EQ(LiveAllocationCount(), liveBefore) << "allocation " << refused;
        EXPECT_EQ(backgroundState, kInitialBackgroundState);
        if (built)
            break;
        EXPECT_EQ(rows.identities, Rows{42}) << "allocation " << refused;
    }
    EXPECT_GT(refused, 1);
    EXPECT_EQ(rows.identities, Rows({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2}));
    ExpectNoMessage();
    ShowMessageBox(owner, "after the builds", nullptr); // the recorder is back in place
    ExpectOneMessage("after the builds");
}

} // namespace
