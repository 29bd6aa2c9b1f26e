// Memory surfaces over bitmaps and copying between them and windows.
#include "platform/bitmap.h"
#include "platform/software/bitmap_record.h"
#include "platform_test_window.h"

namespace {

constexpr Color kWhite = MakeColor(255, 255, 255);
constexpr Color kOlive = MakeColor(120, 130, 10);
constexpr Color kBlue = MakeColor(0, 0, 255);

class MemorySurfaceTest : public PlatformWindowTest {
protected:
    void SetUp() override
    {
        PlatformWindowTest::SetUp();
        ASSERT_NE(Make(), nullptr);
        UserResizeClient(window, 64, 48);
        PumpMessages();
        screen = OpenWindowSurface(window);
        ASSERT_NE(screen, nullptr);
        PaintObject* brush = CreateBrushOfColor(kOlive);
        PaintObject* previous = SelectPaintObject(screen, brush);
        PaintRectangle(screen, 10, 10, 20, 20);
        SelectPaintObject(screen, previous);
        DeletePaintObject(brush);
    }
    void TearDown() override
    {
        CloseWindowSurface(window, screen);
        PlatformWindowTest::TearDown();
    }

    DrawSurface* screen = nullptr;
};

TEST_F(MemorySurfaceTest, ACapturedClientAreaHoldsItsPixelsInTheBitmapsRows)
{
    DrawSurface* memory = CreateMemorySurface(screen);
    SurfaceBitmap* bitmap = CreateSurfaceBitmap(screen, 64, 48);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->bitsPerPixel, 32); // the client image's depth
    EXPECT_EQ(SelectSurfaceBitmap(memory, bitmap), nullptr);
    EXPECT_TRUE(bitmap->selected);
    CopySurfaceArea(memory, 0, 0, 64, 48, screen, 0, 0);

    EXPECT_EQ(ReadPixel(memory, 15, 15), kOlive);
    EXPECT_EQ(ReadPixel(memory, 10, 10), MakeColor(0, 0, 0));
    EXPECT_EQ(ReadPixel(memory, 5, 5), kWhite);
    EXPECT_EQ(ReadPixel(memory, 64, 0), 0xFFFFFFFFu);
    const uint8_t* pixel = bitmap->pixels + 15 * bitmap->stride + 15 * 4;
    EXPECT_EQ(pixel[0], ColorBlue(kOlive));
    EXPECT_EQ(pixel[1], ColorGreen(kOlive));
    EXPECT_EQ(pixel[2], ColorRed(kOlive));

    // Drawing goes into the bitmap, not the window.
    PaintObject* brush = CreateBrushOfColor(kBlue);
    PaintObject* previous = SelectPaintObject(memory, brush);
    PaintRectangle(memory, 30, 30, 40, 40);
    SelectPaintObject(memory, previous);
    DeletePaintObject(brush);
    EXPECT_EQ(ReadPixel(memory, 35, 35), kBlue);
    EXPECT_EQ(ClientPixel(window, 35, 35), kWhite);

    // Putting it back shows on the window.
    CopySurfaceArea(screen, 0, 0, 64, 48, memory, 0, 0);
    EXPECT_EQ(ClientPixel(window, 35, 35), kBlue);
    EXPECT_EQ(ClientPixel(window, 15, 15), kOlive);

    EXPECT_EQ(SelectSurfaceBitmap(memory, nullptr), bitmap);
    EXPECT_FALSE(bitmap->selected);
    EXPECT_EQ(ReadPixel(memory, 35, 35), 0xFFFFFFFFu); // nothing to read without a bitmap
    ReleaseSurfaceBitmap(bitmap);
    DeleteMemorySurface(memory);
}

TEST_F(MemorySurfaceTest, ABitmapIsSelectedIntoOneSurfaceAtATime)
{
    DrawSurface* first = CreateMemorySurface(screen);
    DrawSurface* second = CreateMemorySurface(screen);
    SurfaceBitmap* bitmap = CreateSurfaceBitmap(screen, 8, 8);
    SurfaceBitmap* other = CreateSurfaceBitmap(screen, 8, 8);
    EXPECT_EQ(SelectSurfaceBitmap(first, bitmap), nullptr);
    EXPECT_EQ(SelectSurfaceBitmap(second, bitmap), nullptr);
    EXPECT_EQ(SelectSurfaceBitmap(second, other), nullptr);
    EXPECT_EQ(SelectSurfaceBitmap(first, other), nullptr); // taken by second
    EXPECT_EQ(SelectSurfaceBitmap(first, bitmap), bitmap); // reselecting the same one
    // Deleting a surface lets its bitmap go, so it can be released.
    DeleteMemorySurface(first);
    DeleteMemorySurface(second);
    EXPECT_FALSE(bitmap->selected);
    EXPECT_FALSE(other->selected);
    ReleaseSurfaceBitmap(bitmap);
    ReleaseSurfaceBitmap(other);
}

TEST_F(MemorySurfaceTest, CopiesAreClippedToBothSurfaces)
{
    DrawSurface* memory = CreateMemorySurface(screen);
    SurfaceBitmap* bitmap = CreateSurfaceBitmap(screen, 16, 16);
    SelectSurfaceBitmap(memory, bitmap);
    // A block hanging over the window's edge and the bitmap's.
    CopySurfaceArea(memory, 4, 4, 100, 100, screen, 10, 10);
    EXPECT_EQ(ReadPixel(memory, 4, 4), MakeColor(0, 0, 0));
    EXPECT_EQ(ReadPixel(memory, 10, 10), kOlive);
    CopySurfaceArea(screen, 60, 40, 16, 16, memory, 0, 0);
    EXPECT_EQ(ClientPixel(window, 63, 47), ReadPixel(memory, 3, 7));
    // A surface copied onto itself reads what it had before.
    CopySurfaceArea(screen, 12, 10, 20, 20, screen, 10, 10);
    EXPECT_EQ(ClientPixel(window, 12, 10), MakeColor(0, 0, 0));
    EXPECT_EQ(ClientPixel(window, 14, 12), kOlive);
    SelectSurfaceBitmap(memory, nullptr);
    ReleaseSurfaceBitmap(bitmap);
    DeleteMemorySurface(memory);
}

} // namespace
