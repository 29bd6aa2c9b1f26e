#include <gtest/gtest.h>

#include "platform/bitmap.h"
#include "platform/software/bitmap_record.h"
#include "platform/memory.h"
#include "seams/test_seams.h"

namespace {

class BitmapTest : public ::testing::Test {
protected:
    void SetUp() override { liveBefore = LiveAllocationCount(); }
    void TearDown() override
    {
        FailNthAllocation(0);
        EXPECT_EQ(LiveAllocationCount(), liveBefore);
    }
    long liveBefore = 0;
};

BitmapInfoHeader HeaderFor(const SurfaceBitmap* bitmap)
{
    return {40, bitmap->width, bitmap->height, 1, bitmap->bitsPerPixel, 0, 0, 0, 0, 0, 0};
}

TEST_F(BitmapTest, SurfaceBitmapsAreOpaqueBlackRgb32)
{
    SurfaceBitmap* bitmap = CreateSurfaceBitmap(nullptr, 7, 3);
    ASSERT_NE(bitmap, nullptr);
    BitmapDescription description;
    ASSERT_TRUE(ReadBitmapDescription(bitmap, &description));
    EXPECT_EQ(description.width, 7);
    EXPECT_EQ(description.height, 3);
    EXPECT_EQ(description.planes, 1);
    EXPECT_EQ(description.bitsPerPixel, 32);
    EXPECT_EQ(bitmap->stride, 28);
    for (int i = 0; i < 28 * 3; ++i)
        ASSERT_EQ(bitmap->pixels[i], i % 4 == 3 ? 0xFF : 0) << "byte " << i;
    EXPECT_FALSE(ReadBitmapDescription(nullptr, &description));
    ReleaseSurfaceBitmap(bitmap);
}

TEST_F(BitmapTest, RowsArePaddedToWholeWordsAtEveryDepth)
{
    const uint16_t depths[] = {1, 4, 8, 16, 24, 32};
    const int32_t strides[] = {4, 8, 12, 20, 28, 36};
    for (int i = 0; i < 6; ++i) {
        SurfaceBitmap* bitmap = CreateBitmapOfDepth(9, 2, 1, depths[i]);
        ASSERT_NE(bitmap, nullptr) << depths[i];
        EXPECT_EQ(bitmap->stride, strides[i]) << depths[i];
        ReleaseSurfaceBitmap(bitmap);
    }
    EXPECT_EQ(CreateBitmapOfDepth(9, 2, 1, 2), nullptr);
    EXPECT_EQ(CreateBitmapOfDepth(9, 2, 0, 8), nullptr);
    EXPECT_EQ(CreateBitmapOfDepth(-1, 2, 1, 8), nullptr);
}

TEST_F(BitmapTest, FailedAllocationsLeaveNoBitmapAndNothingHeld)
{
    FailNthAllocation(1);
    EXPECT_EQ(CreateBitmapOfDepth(4, 4, 1, 32), nullptr);
    FailNthAllocation(2);
    EXPECT_EQ(CreateBitmapOfDepth(4, 4, 1, 32), nullptr);
}

TEST_F(BitmapTest, SelectedBitmapIsNotReleased)
{
    SurfaceBitmap* bitmap = CreateBitmapOfDepth(2, 2, 1, 8);
    ASSERT_NE(bitmap, nullptr);
    bitmap->selected = true;
    ReleaseSurfaceBitmap(bitmap);
    EXPECT_EQ(LiveAllocationCount(), liveBefore + 2);
    bitmap->selected = false;
    ReleaseSurfaceBitmap(bitmap);
    ReleaseSurfaceBitmap(nullptr);
}

TEST_F(BitmapTest, FetchDeliversBottomUpRowsAndTheColourTable)
{
    SurfaceBitmap* bitmap = CreateBitmapOfDepth(3, 2, 1, 8);
    ASSERT_NE(bitmap, nullptr);
    // Stray bytes in the bitmap's own padding do not reach the file.
    const uint8_t rows[8] = {1, 2, 3, 0xEE, 4, 5, 6, 0xEE};
    std::copy(rows, rows + 8, bitmap->pixels);
    auto* info = static_cast<BitmapInfo*>(AllocateZeroed(40 + 4 * 256));
    ASSERT_NE(info, nullptr);
    info->header = HeaderFor(bitmap);
    uint8_t buffer[8];
    EXPECT_EQ(FetchBitmapRows(nullptr, bitmap, 0, 2, buffer, info), 2);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 8), (std::vector<uint8_t>{4, 5, 6, 0, 1, 2, 3, 0}));
    EXPECT_EQ(info->colors[255].red, 255);
    EXPECT_EQ(info->colors[255].blue, 255);
    EXPECT_EQ(info->colors[0b11100000].red, 255);
    EXPECT_EQ(info->colors[0b11100000].green, 0);

    // The second row from the bottom alone.
    EXPECT_EQ(FetchBitmapRows(nullptr, bitmap, 1, 1, buffer, info), 1);
    EXPECT_EQ(buffer[0], 1);

    ReleaseMemory(info);
    ReleaseSurfaceBitmap(bitmap);
}

TEST_F(BitmapTest, FetchRefusesWhatItCannotDeliver)
{
    SurfaceBitmap* bitmap = CreateBitmapOfDepth(4, 4, 1, 32);
    ASSERT_NE(bitmap, nullptr);
    BitmapInfo info = {};
    std::vector<uint8_t> buffer(64);
    info.header = HeaderFor(bitmap);
    EXPECT_EQ(FetchBitmapRows(nullptr, bitmap, 0, 4, buffer.data(), &info), 4);

    BitmapInfo other = info;
    other.header.bitCount = 24;
    EXPECT_EQ(FetchBitmapRows(nullptr, bitmap, 0, 4, buffer.data(), &other), 0);
    other = info;
    other.header.planes = 2;
    EXPECT_EQ(FetchBitmapRows(nullptr, bitmap, 0, 4, buffer.data(), &other), 0);
    other = info;
    other.header.height = -4; // top-down rows are not offered
    EXPECT_EQ(FetchBitmapRows(nullptr, bitmap, 0, 4, buffer.data(), &other), 0);
    other = info;
    other.header.compression = 1;
    EXPECT_EQ(FetchBitmapRows(nullptr, bitmap, 0, 4, buffer.data(), &other), 0);

    EXPECT_EQ(FetchBitmapRows(nullptr, bitmap, 2, 3, buffer.data(), &info), 0);
    EXPECT_EQ(FetchBitmapRows(nullptr, bitmap, -1, 1, buffer.data(), &info), 0);
    EXPECT_EQ(FetchBitmapRows(nullptr, bitmap, 0, 0, buffer.data(), &info), 0);
    EXPECT_EQ(FetchBitmapRows(nullptr, nullptr, 0, 4, buffer.data(), &info), 0);
    ReleaseSurfaceBitmap(bitmap);
}

}
