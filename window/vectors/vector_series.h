// The vector series: identities, clean rows, noisy rows and the search result,
// all in one block reached through one table of row pointers.
#pragma once

#include <array>
#include <cstdint>

#include "platform/types.h"
#include "vectors/vector_containers.h"

// Half the width of the vector plane, in coordinate units: the panels show
// -range..range across, and background coordinates stay 3 units inside it.
constexpr int32_t kCoordinateRange = 180;

// The window's series: vectors of kSeriesDimension coordinates, kSeriesLength
// elements, kSeriesRepeats copies of each pick, and the noise levels offered.
constexpr int32_t kSeriesDimension = 2;
constexpr int32_t kSeriesLength = 1000;
constexpr int32_t kSeriesRepeats = 502;
using NoiseLevelTable = std::array<int32_t, 6>;
constexpr NoiseLevelTable kSeriesNoiseLevels = {0, 5, 10, 25, 50, 100};

struct VectorSeriesHeader {
    VectorHeader* lpVectorHeader;   // the reference vector given at creation; not owned
    int32_t dimensionCapacity;
    int32_t dimension;
    int32_t reserved;
    int32_t lengthCapacity;
    int32_t length;
    int32_t repeats;
    int32_t noiseLevel;
    int32_t* vectorIdentities;      // the single block; its first slots are the identities
    int32_t** vectorValues;         // the row table; its first half points at the clean rows
    int32_t** noisyVectorValues;    // the row table's second half: the noisy rows
    int32_t backgroundGenerated;
    int32_t centerIndex;            // 1-based; 0 for no centre
    int32_t* subsetIndices;         // the block's last area
    int32_t subsetCapacity;         // slots in the subset area: the repeats the block was made for
};

VectorSeriesHeader* BuildVectorSeries(AppWindow* owner, int32_t length, int32_t repeats, VectorHeader* reference,
                                      const VectorsArrayHeader* picked, VectorSeriesHeader* series);
void AddSeriesNoise(AppWindow* owner, int32_t level, int16_t& state, VectorSeriesHeader* series);
void ClearVectorSeries(AppWindow* owner, VectorSeriesHeader* series);
VectorSeriesHeader* FreeVectorSeriesHeader(AppWindow* owner, VectorSeriesHeader* series);
