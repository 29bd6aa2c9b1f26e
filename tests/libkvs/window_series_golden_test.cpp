// The window's series after the pick (-115, 88), at every noise level in the
// order the window reaches them: every method finds the centre and the full
// subset, in order, that the window's own search found (the data file).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "engine_test_support.h"
#include "vectors/noise_generators.h"
#include "vectors/vector_series.h"

namespace {
struct Expected {
    int32_t level = 0;
    int64_t centre = 0;
    std::vector<int64_t> subset;
};

std::vector<Expected> ReadExpected()
{
    const char* source = std::getenv("KV_SOURCE_DIR");
    std::ifstream file(std::string(source ? source : ".") + "/tests/libkvs/data/window_series_subsets.txt");
    std::vector<Expected> rows;
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        Expected row;
        fields >> row.level >> row.centre;
        --row.centre;  // the window counts it from 1
        for (int64_t index; fields >> index;)
            row.subset.push_back(index);
        rows.push_back(row);
    }
    return rows;
}

TEST(EngineGolden, WindowSeriesAtEveryNoiseLevel)
{
    const std::vector<Expected> expected = ReadExpected();
    ASSERT_EQ(expected.size(), 6u) << "tests/libkvs/data/window_series_subsets.txt not found (KV_SOURCE_DIR)";
    noiseState = kInitialNoiseState;
    backgroundState = kInitialBackgroundState;
    const int32_t pick[] = {-115, 88};
    VectorsArrayHeader* picked = AppendVector(nullptr, 2, 1, 1, pick, nullptr);
    VectorSeriesHeader* series = nullptr;
    for (const Expected& row : expected) {
        series = BuildVectorSeries(nullptr, 1000, 502, nullptr, picked, series);
        AddSeriesNoise(nullptr, row.level, noiseState, series);
        Table table{{}, 1000, 2};
        for (int32_t i = 0; i < 1000; ++i)
            table.values.insert(table.values.end(), series->noisyVectorValues[i], series->noisyVectorValues[i] + 2);
        for (kvs::SearchMethod method : {kvs::SearchMethod::Auto, kvs::SearchMethod::Dense, kvs::SearchMethod::Tree,
                                         kvs::SearchMethod::Described}) {
            const Found found = Search(table, 502, method, 2);
            SCOPED_TRACE(testing::Message() << "level " << row.level << ", " << kvs::SearchMethodName(method));
            ASSERT_EQ(found.status, kvs::SearchStatus::Ok);
            EXPECT_EQ(found.centre, row.centre);
            EXPECT_EQ(found.subset, row.subset);
        }
    }
    FreeVectorSeriesHeader(nullptr, series);
    FreeVectorsArrayHeader(nullptr, picked);
}
}
