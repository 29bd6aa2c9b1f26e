#include <gtest/gtest.h>

#include "app/commands.h"
#include "platform/memory.h"
#include "seams/test_seams.h"

namespace {

const Rect kPanel = {12, 175, 509, 672}; // centre (260, 423), 498 pixels each way

TEST(ClickToVector, MapsPanelPointsToPlaneCoordinatesTruncatingTowardZero)
{
    struct Case {
        int32_t x, y;
        int32_t vx, vy;
    };
    const Case cases[] = {
        {509, 175, 180, 179},   // top-right corner
        {12, 672, -179, -180},  // bottom-left corner
        {260, 423, 0, 0},       // centre
        {261, 422, 0, 0},       // one pixel off stays 0
        {100, 300, -115, 88},   // -115.66 truncates to -115, not -116
    };
    int32_t out[2] = {7, 7};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        EXPECT_EQ(ClickToVector(nullptr, kPanel, c.x, c.y, 180, 2, out), out);
        EXPECT_EQ(out[0], c.vx);
        EXPECT_EQ(out[1], c.vy);
    }
}

TEST(ClickToVector, WritesOnlyTheFirstTwoEntries)
{
    int32_t out[3] = {1, 2, 3};
    ClickToVector(nullptr, kPanel, 509, 175, 180, 3, out);
    EXPECT_EQ(out[0], 180);
    EXPECT_EQ(out[2], 3);
}

TEST(ClickToVector, MakesItsOwnArrayWhenGivenNone)
{
    const long live = LiveAllocationCount();
    int32_t* made = ClickToVector(nullptr, kPanel, 12, 672, 180, 2, nullptr);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made[0], -179);
    EXPECT_EQ(made[1], -180);
    EXPECT_EQ(LiveAllocationCount(), live + 1);
    ReleaseMemory(made);

    FailNthAllocation(1);
    EXPECT_EQ(ClickToVector(nullptr, kPanel, 12, 672, 180, 2, nullptr), nullptr);
    FailNthAllocation(0);
    EXPECT_EQ(LiveAllocationCount(), live);
}

} // namespace
