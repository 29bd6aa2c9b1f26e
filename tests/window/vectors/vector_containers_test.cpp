#include "vectors/vector_containers.h"

#include <vector>

#include "support/core_test_fixture.h"
#include "platform/message_box.h"

namespace {
using VectorHeaderTest = CoreTest;
using IntArrayTest = CoreTest;
using VectorsArrayTest = CoreTest;
using PulseHeaderTest = CoreTest;

std::vector<int32_t> Coordinates(const VectorHeader* header)
{
    return std::vector<int32_t>(header->lpData, header->lpData + header->capacity);
}

TEST_F(VectorHeaderTest, NewRecordHoldsZerosOrTheSource)
{
    VectorHeader* header = CreateVectorHeader(owner, 2, 0, nullptr, nullptr);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->capacity, 2);
    EXPECT_EQ(header->count, 2);
    EXPECT_EQ(header->value, 0);
    EXPECT_EQ(Coordinates(header), (std::vector<int32_t>{0, 0}));
    header = FreeVectorHeader(owner, header);

    const int32_t source[] = {100, -7, 55};
    header = CreateVectorHeader(owner, 3, 1, source, nullptr);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->value, 1);
    EXPECT_EQ(Coordinates(header), (std::vector<int32_t>{100, -7, 55}));
    EXPECT_EQ(FreeVectorHeader(owner, header), nullptr);
    ExpectNoMessage();
}

TEST_F(VectorHeaderTest, GrowingKeepsTheRecordAndMakesANewBlock)
{
    const int32_t two[] = {1, 2};
    const int32_t three[] = {7, 8, 9};
    VectorHeader* header = CreateVectorHeader(owner, 2, 1, two, nullptr);

    EXPECT_EQ(CreateVectorHeader(owner, 3, 5, three, header), header);
    EXPECT_EQ(header->capacity, 3);
    EXPECT_EQ(header->count, 3);
    EXPECT_EQ(header->value, 5);
    EXPECT_EQ(Coordinates(header), (std::vector<int32_t>{7, 8, 9}));

    VectorHeader* small = CreateVectorHeader(owner, 2, 1, two, nullptr);
    EXPECT_EQ(CreateVectorHeader(owner, 3, 1, nullptr, small), small);
    EXPECT_EQ(Coordinates(small), (std::vector<int32_t>{0, 0, 0}));
    FreeVectorHeader(owner, header);
    FreeVectorHeader(owner, small);
}

TEST_F(VectorHeaderTest, ShrinkingKeepsTheBlockAndTheSlotsBeyondCount)
{
    const int32_t four[] = {1, 2, 3, 4};
    const int32_t two[] = {10, 20};
    VectorHeader* header = CreateVectorHeader(owner, 4, 1, four, nullptr);
    const int32_t* block = header->lpData;

    EXPECT_EQ(CreateVectorHeader(owner, 2, 1, two, header), header);
    EXPECT_EQ(header->lpData, block);
    EXPECT_EQ(header->capacity, 4);
    EXPECT_EQ(header->count, 2);
    EXPECT_EQ(Coordinates(header), (std::vector<int32_t>{10, 20, 3, 4}));

    EXPECT_EQ(CreateVectorHeader(owner, 2, 1, nullptr, header), header);
    EXPECT_EQ(Coordinates(header), (std::vector<int32_t>{0, 0, 0, 0}));

    // Growing again within the capacity still keeps the block and the last slot.
    header->lpData[3] = 44;
    const int32_t three[] = {7, 8, 9};
    EXPECT_EQ(CreateVectorHeader(owner, 3, 1, three, header), header);
    EXPECT_EQ(header->lpData, block);
    EXPECT_EQ(header->count, 3);
    EXPECT_EQ(Coordinates(header), (std::vector<int32_t>{7, 8, 9, 44}));
    FreeVectorHeader(owner, header);
}

TEST_F(VectorHeaderTest, FailedAllocationsReportAndReleaseTheRecord)
{
    FailNthAllocation(1);
    EXPECT_EQ(CreateVectorHeader(owner, 2, 1, nullptr, nullptr), nullptr);
    ExpectOneMessage("Нет памяти для newVectorHeader!");

    recorder.clear();
    FailNthAllocation(2);
    EXPECT_EQ(CreateVectorHeader(owner, 2, 1, nullptr, nullptr), nullptr);
    ExpectOneMessage("Нет памяти для newVectorHeader->lpData!");

    // A given record that has to grow is gone too when its new block cannot be had.
    VectorHeader* given = CreateVectorHeader(owner, 2, 1, nullptr, nullptr);
    recorder.clear();
    FailNthAllocation(1);
    EXPECT_EQ(CreateVectorHeader(owner, 3, 1, nullptr, given), nullptr);
    ExpectOneMessage("Нет памяти для newVectorHeader->lpData!");
}

TEST_F(IntArrayTest, NewArrayIsFilledAndAGivenOneIsReturnedUnchanged)
{
    int32_t* array = CreateIntArray(owner, 3, 100, nullptr);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(std::vector<int32_t>(array, array + 3), (std::vector<int32_t>{100, 100, 100}));

    array[1] = -4;
    EXPECT_EQ(CreateIntArray(owner, 50, 9, array), array);
    EXPECT_EQ(std::vector<int32_t>(array, array + 3), (std::vector<int32_t>{100, -4, 100}));
    EXPECT_EQ(FreeIntArray(owner, array), nullptr);
    EXPECT_EQ(FreeIntArray(owner, nullptr), nullptr);
    ExpectNoMessage();
}

TEST_F(IntArrayTest, UnavailableBlockYieldsNoneSilently)
{
    FailNthAllocation(1);
    EXPECT_EQ(CreateIntArray(owner, 2, 100, nullptr), nullptr);
    ExpectNoMessage();
}

TEST_F(VectorsArrayTest, NewRecordIsEmptyWithRowsInsideItsBlock)
{
    VectorsArrayHeader* set = CreateVectorsArrayHeader(owner, 2, 3, nullptr);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->dimensionCapacity, 2);
    EXPECT_EQ(set->dimension, 2);
    EXPECT_EQ(set->capacity, 3);
    EXPECT_EQ(set->count, 0);
    for (int32_t i = 0; i < 3; ++i)
        EXPECT_EQ(set->vectorValues[i], set->vectorDescriptors + 3 + i * 2);
    for (int32_t slot = 0; slot < 3 + 3 * 2; ++slot)
        EXPECT_EQ(set->vectorDescriptors[slot], 0);
    EXPECT_EQ(FreeVectorsArrayHeader(owner, set), nullptr);
}

TEST_F(VectorsArrayTest, LargeEnoughRecordStaysWholeAndASmallOneIsReplaced)
{
    const int32_t vector[] = {12, -34};
    VectorsArrayHeader* set = AppendVector(owner, 2, 1, 1, vector, nullptr);

    EXPECT_EQ(CreateVectorsArrayHeader(owner, 2, 1, set), set);
    EXPECT_EQ(set->count, 1);
    EXPECT_EQ(set->vectorValues[0][0], 12);
    EXPECT_EQ(set->vectorValues[0][1], -34);
    EXPECT_EQ(CreateVectorsArrayHeader(owner, 1, 1, set), set);
    EXPECT_EQ(set->dimension, 1);

    set = CreateVectorsArrayHeader(owner, 2, 2, set);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->capacity, 2);
    EXPECT_EQ(set->count, 0);
    EXPECT_EQ(set->vectorValues[0][0], 0);
    FreeVectorsArrayHeader(owner, set);
    ExpectNoMessage();
}

TEST_F(VectorsArrayTest, FailedAllocationsReportAndReleaseWhatWasMade)
{
    const struct {
        long failing;
        const char* message;
    } rows[] = {
        {1, "Нет памяти для newVectorsArrayHeader!"},
        {2, "Нет памяти для newVectorsArrayHeader->vectorDescriptors!"},
        {3, "Нет памяти для newVectorsArrayHeader->vectorValues!"},
    };
    for (const auto& row : rows) {
        recorder.clear();
        FailNthAllocation(row.failing);
        EXPECT_EQ(CreateVectorsArrayHeader(owner, 2, 1, nullptr), nullptr);
        ExpectOneMessage(row.message);
        EXPECT_EQ(LiveAllocationCount(), liveBefore);
    }
    // A given record too small for the request is released before the new one fails.
    VectorsArrayHeader* given = CreateVectorsArrayHeader(owner, 2, 1, nullptr);
    recorder.clear();
    FailNthAllocation(1);
    EXPECT_EQ(CreateVectorsArrayHeader(owner, 2, 2, given), nullptr);
    ExpectOneMessage("Нет памяти для newVectorsArrayHeader!");
}

TEST_F(VectorsArrayTest, AppendFillsUpToCapacityThenIgnoresSilently)
{
    const int32_t first[] = {5, 6};
    const int32_t second[] = {7, 8};
    VectorsArrayHeader* set = AppendVector(owner, 2, 1, 1, first, nullptr);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->count, 1);
    EXPECT_EQ(set->vectorDescriptors[0], 1);
    EXPECT_EQ(set->vectorValues[0][0], 5);
    EXPECT_EQ(set->vectorValues[0][1], 6);

    EXPECT_EQ(AppendVector(owner, 2, 1, 2, second, set), set);
    EXPECT_EQ(set->count, 1);
    EXPECT_EQ(set->vectorDescriptors[0], 1);
    EXPECT_EQ(set->vectorValues[0][0], 5);

    // After a restart empties the set, the next append overwrites row 0.
    set->count = 0;
    AppendVector(owner, 2, 1, 3, second, set);
    EXPECT_EQ(set->count, 1);
    EXPECT_EQ(set->vectorDescriptors[0], 3);
    EXPECT_EQ(set->vectorValues[0][0], 7);
    EXPECT_EQ(set->vectorValues[0][1], 8);
    FreeVectorsArrayHeader(owner, set);
    ExpectNoMessage();
}

TEST_F(VectorsArrayTest, AppendWithoutSourceWritesOnlyTheDescriptor)
{
    VectorsArrayHeader* set = CreateVectorsArrayHeader(owner, 2, 2, nullptr);
    AppendVector(owner, 2, 2, 9, nullptr, set);
    EXPECT_EQ(set->count, 0);
    EXPECT_EQ(set->vectorDescriptors[0], 9);
    const int32_t vector[] = {1, 1};
    AppendVector(owner, 2, 2, 4, vector, set);
    EXPECT_EQ(set->count, 1);
    EXPECT_EQ(set->vectorDescriptors[0], 4);
    FreeVectorsArrayHeader(owner, set);
}

TEST_F(VectorsArrayTest, AppendNeverWritesPastARow)
{
    VectorsArrayHeader* set = CreateVectorsArrayHeader(owner, 2, 2, nullptr);
    const int32_t wide[] = {1, 2, 3, 4};
    AppendVector(owner, 4, 2, 1, wide, set);
    EXPECT_EQ(set->vectorValues[0][0], 1);
    EXPECT_EQ(set->vectorValues[0][1], 2);
    EXPECT_EQ(set->vectorValues[1][0], 0);
    EXPECT_EQ(set->vectorValues[1][1], 0);
    FreeVectorsArrayHeader(owner, set);
}

TEST_F(VectorsArrayTest, AppendThatCannotMakeItsRecordYieldsNone)
{
    const int32_t vector[] = {1, 2};
    FailNthAllocation(2);
    EXPECT_EQ(AppendVector(owner, 2, 1, 1, vector, nullptr), nullptr);
    ExpectOneMessage("Нет памяти для newVectorsArrayHeader->vectorDescriptors!");
}

TEST_F(PulseHeaderTest, HoldsTheSamplesOrZeros)
{
    const int16_t samples[] = {-32768, 0, 32767};
    PulseHeader* pulse = CreatePulseHeader(owner, 3, -2, samples);
    ASSERT_NE(pulse, nullptr);
    EXPECT_EQ(pulse->count, 3);
    EXPECT_EQ(pulse->capacity, 3);
    EXPECT_EQ(pulse->value, -2);
    EXPECT_EQ(std::vector<int16_t>(pulse->lpData, pulse->lpData + 3), (std::vector<int16_t>{-32768, 0, 32767}));
    EXPECT_EQ(FreePulseHeader(owner, pulse), nullptr);

    pulse = CreatePulseHeader(owner, 2, 0, nullptr);
    EXPECT_EQ(std::vector<int16_t>(pulse->lpData, pulse->lpData + 2), (std::vector<int16_t>{0, 0}));
    FreePulseHeader(owner, pulse);
    ExpectNoMessage();
}

TEST_F(PulseHeaderTest, CountIsUnsigned16BitFromNoneToTheLargest)
{
    PulseHeader* empty = CreatePulseHeader(owner, 0, 1, nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->count, 0);
    EXPECT_EQ(empty->capacity, 0);
    FreePulseHeader(owner, empty);

    std::vector<int16_t> samples(65535);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(i * 7);
    PulseHeader* largest = CreatePulseHeader(owner, 65535, 0, samples.data());
    ASSERT_NE(largest, nullptr);
    EXPECT_EQ(largest->count, 65535);
    EXPECT_EQ(std::vector<int16_t>(largest->lpData, largest->lpData + 65535), samples);
    FreePulseHeader(owner, largest);
    ExpectNoMessage();
}

long liveWhenShown = -1;
void NoteLiveBlocks(AppWindow*, const char*, const char*) { liveWhenShown = LiveAllocationCount(); }

TEST_F(PulseHeaderTest, FailedAllocationsReport)
{
    FailNthAllocation(1);
    EXPECT_EQ(CreatePulseHeader(owner, 4, 0, nullptr), nullptr);
    ExpectOneMessage("Нет памяти для newPulseHeader!");

    recorder.clear();
    FailNthAllocation(2);
    EXPECT_EQ(CreatePulseHeader(owner, 4, 0, nullptr), nullptr);
    ExpectOneMessage("Нет памяти для newPulseHeader->lpData!");

    // The record is already released when the box is up.
    MessageBoxHandler recorderHandler = SetMessageBoxHandler(NoteLiveBlocks);
    FailNthAllocation(2);
    CreatePulseHeader(owner, 4, 0, nullptr);
    SetMessageBoxHandler(recorderHandler);
    EXPECT_EQ(liveWhenShown, liveBefore);
}

TEST(FreeOperations, GivenNoneDoNothingAndReturnNone)
{
    const long live = LiveAllocationCount();
    EXPECT_EQ(FreeVectorHeader(nullptr, nullptr), nullptr);
    EXPECT_EQ(FreeIntArray(nullptr, nullptr), nullptr);
    EXPECT_EQ(FreeVectorsArrayHeader(nullptr, nullptr), nullptr);
    EXPECT_EQ(FreePulseHeader(nullptr, nullptr), nullptr);
    EXPECT_EQ(LiveAllocationCount(), live);
}
}
