// The drawing primitives, pixel by pixel, on a window's client image.
#include <cstdio>
#include <string>

#include "platform/qt/fonts.h"
#include "platform_test_window.h"

namespace {

constexpr Color kBlack = MakeColor(0, 0, 0);
constexpr Color kWhite = MakeColor(255, 255, 255);
constexpr Color kRed = MakeColor(255, 0, 0);
constexpr Color kBlue = MakeColor(0, 0, 255);

class DrawingTest : public PlatformWindowTest {
protected:
    void SetUp() override
    {
        PlatformWindowTest::SetUp();
        ASSERT_NE(Make(), nullptr);
        surface = OpenWindowSurface(window);
        ASSERT_NE(surface, nullptr);
    }
    void TearDown() override
    {
        CloseWindowSurface(window, surface);
        PlatformWindowTest::TearDown();
    }

    Color At(int32_t x, int32_t y) { return ReadPixel(surface, x, y); }

    DrawSurface* surface = nullptr;
};

TEST_F(DrawingTest, FreshSurfaceHasDefaultsAndReadsOutsideAsNoColour)
{
    EXPECT_EQ(ReadBackgroundColor(surface), kWhite);
    EXPECT_EQ(At(0, 0), kWhite);
    EXPECT_EQ(At(-1, 0), 0xFFFFFFFFu);
    const Rect client = GetClientArea(window);
    EXPECT_EQ(At(client.right, 0), 0xFFFFFFFFu);
    EXPECT_EQ(At(0, client.bottom), 0xFFFFFFFFu);
    EXPECT_EQ(SetTextBackgroundMode(surface, BackgroundTransparent), BackgroundOpaque);
    EXPECT_EQ(SetTextBackgroundMode(surface, BackgroundOpaque), BackgroundTransparent);
}

TEST_F(DrawingTest, RectangleIsOutlinedAndFilledWithRightAndBottomEdgesLeftOut)
{
    PaintObject* brush = CreateBrushOfColor(kRed);
    PaintObject* previous = SelectPaintObject(surface, brush);
    PaintRectangle(surface, 10, 10, 20, 15);
    for (int32_t x = 10; x < 20; ++x) {
        EXPECT_EQ(At(x, 10), kBlack) << x;
        EXPECT_EQ(At(x, 14), kBlack) << x;
        EXPECT_EQ(At(x, 15), kWhite) << x;
        EXPECT_EQ(At(x, 9), kWhite) << x;
    }
    for (int32_t y = 10; y < 15; ++y) {
        EXPECT_EQ(At(10, y), kBlack) << y;
        EXPECT_EQ(At(19, y), kBlack) << y;
        EXPECT_EQ(At(20, y), kWhite) << y;
        EXPECT_EQ(At(9, y), kWhite) << y;
    }
    EXPECT_EQ(At(11, 11), kRed);
    EXPECT_EQ(At(18, 13), kRed);
    // Given right to left and bottom to top, the same rectangle.
    PaintRectangle(surface, 40, 15, 30, 10);
    EXPECT_EQ(At(30, 10), kBlack);
    EXPECT_EQ(At(39, 14), kBlack);
    EXPECT_EQ(At(40, 14), kWhite);
    EXPECT_EQ(At(31, 11), kRed);
    EXPECT_EQ(SelectPaintObject(surface, previous), brush);
    DeletePaintObject(brush);
}

TEST_F(DrawingTest, LinesLeaveOutTheirEndPoint)
{
    MovePenTo(surface, 5, 30);
    PaintLineTo(surface, 15, 30); // right
    EXPECT_EQ(At(5, 30), kBlack);
    EXPECT_EQ(At(14, 30), kBlack);
    EXPECT_EQ(At(15, 30), kWhite);
    PaintLineTo(surface, 15, 40); // down from where the last one ended
    EXPECT_EQ(At(15, 30), kBlack);
    EXPECT_EQ(At(15, 39), kBlack);
    EXPECT_EQ(At(15, 40), kWhite);
    MovePenTo(surface, 40, 50);
    PaintLineTo(surface, 30, 50); // left
    EXPECT_EQ(At(40, 50), kBlack);
    EXPECT_EQ(At(31, 50), kBlack);
    EXPECT_EQ(At(30, 50), kWhite);
    MovePenTo(surface, 50, 60);
    PaintLineTo(surface, 55, 65); // diagonal
    for (int32_t i = 0; i < 5; ++i)
        EXPECT_EQ(At(50 + i, 60 + i), kBlack) << i;
    EXPECT_EQ(At(55, 65), kWhite);
    EXPECT_EQ(At(51, 60), kWhite);
    MovePenTo(surface, 70, 70);
    PaintLineTo(surface, 70, 70); // nothing at all
    EXPECT_EQ(At(70, 70), kWhite);
}

TEST_F(DrawingTest, EllipseStaysInsideItsBoxOutlinedAndFilled)
{
    PaintObject* brush = CreateBrushOfColor(kBlue);
    PaintObject* previous = SelectPaintObject(surface, brush);
    // A dot as the panels draw one: radius 4 around (34, 33).
    const int32_t left = 30, top = 30, right = 38, bottom = 38;
    PaintEllipse(surface, left, top, right, bottom);
    int inked = 0;
    for (int32_t y = top - 2; y < bottom + 2; ++y) {
        for (int32_t x = left - 2; x < right + 2; ++x) {
            const bool inside = x >= left && x < right && y >= top && y < bottom;
            if (!inside) {
                EXPECT_EQ(At(x, y), kWhite) << x << "," << y;
            } else {
                // Mirror images across both axes of the box.
                EXPECT_EQ(At(x, y), At(left + right - 1 - x, y)) << x << "," << y;
                EXPECT_EQ(At(x, y), At(x, top + bottom - 1 - y)) << x << "," << y;
            }
            inked += At(x, y) != kWhite ? 1 : 0;
        }
    }
    EXPECT_EQ(At(left, top), kWhite); // the corners are cut
    EXPECT_EQ(At(34, 34), kBlue);
    EXPECT_EQ(At(34, top), kBlack);   // the outline touches all four sides
    EXPECT_EQ(At(34, bottom - 1), kBlack);
    EXPECT_EQ(At(left, 34), kBlack);
    EXPECT_EQ(At(right - 1, 34), kBlack);
    EXPECT_GT(inked, 40);
    SelectPaintObject(surface, previous);
    DeletePaintObject(brush);
}

TEST_F(DrawingTest, OpaqueTextFillsItsCellTransparentTextKeepsWhatIsUnder)
{
    FillClient(window, surface, kRed);
    const char* text = "Wm";
    const Extent size = MeasureText(surface, text, 2);
    FontMetrics metrics{};
    ReadFontMetrics(surface, &metrics);
    EXPECT_EQ(size.cy, metrics.height);
    ASSERT_GT(size.cx, 10);

    PaintText(surface, 10, 10, text, 2); // opaque by default
    int black = 0, white = 0, red = 0;
    for (int32_t y = 10; y < 10 + size.cy; ++y) {
        for (int32_t x = 10; x < 10 + size.cx; ++x) {
            const Color c = At(x, y);
            black += c == kBlack;
            white += c == kWhite;
            red += c == kRed;
        }
    }
    EXPECT_GT(black, 10);
    EXPECT_GT(white, 10);
    EXPECT_EQ(red, 0);
    EXPECT_EQ(At(9, 10), kRed);
    EXPECT_EQ(At(10 + size.cx, 10), kRed);
    EXPECT_EQ(At(10, 10 + size.cy), kRed);

    SetTextBackgroundMode(surface, BackgroundTransparent);
    PaintText(surface, 10, 40, text, 2);
    black = white = 0;
    for (int32_t y = 40; y < 40 + size.cy; ++y) {
        for (int32_t x = 10; x < 10 + size.cx; ++x) {
            black += At(x, y) != kRed;
            white += At(x, y) == kWhite;
        }
    }
    EXPECT_GT(black, 10);
    EXPECT_EQ(white, 0);
}

TEST_F(DrawingTest, SelectingHandsBackThePreviousObjectOfTheSameSort)
{
    PaintObject* pen = CreatePenOfColor(kRed);
    PaintObject* brush = CreateBrushOfColor(kBlue);
    PaintObject* stockPen = SelectPaintObject(surface, pen);
    ASSERT_NE(stockPen, nullptr);
    PaintObject* stockBrush = SelectPaintObject(surface, brush);
    ASSERT_NE(stockBrush, nullptr);
    EXPECT_NE(stockPen, stockBrush);
    EXPECT_EQ(SelectPaintObject(surface, StockBodyFont()), StockBodyFont());
    PaintRectangle(surface, 0, 0, 3, 3);
    EXPECT_EQ(At(0, 0), kRed);
    EXPECT_EQ(At(1, 1), kBlue);
    EXPECT_EQ(SelectPaintObject(surface, stockPen), pen);
    EXPECT_EQ(SelectPaintObject(surface, stockBrush), brush);
    PaintRectangle(surface, 5, 0, 8, 3);
    EXPECT_EQ(At(5, 0), kBlack);
    EXPECT_EQ(At(6, 1), kWhite);
    DeletePaintObject(pen);
    DeletePaintObject(brush);
    EXPECT_EQ(SelectPaintObject(surface, nullptr), nullptr);
}

// Deleting what is still selected, or a stock object, must not break later drawing.
TEST_F(DrawingTest, DeletingSelectedOrStockObjectsIsSafe)
{
    PaintObject* pen = CreatePenOfColor(kRed);
    PaintObject* stockPen = SelectPaintObject(surface, pen);
    DeletePaintObject(pen);
    MovePenTo(surface, 0, 5);
    PaintLineTo(surface, 4, 5);
    EXPECT_EQ(At(0, 5), kRed);
    EXPECT_EQ(SelectPaintObject(surface, stockPen), nullptr); // it went as it was let go
    DeletePaintObject(pen); // a second delete is ignored
    EXPECT_EQ(SelectPaintObject(surface, pen), nullptr);

    DeletePaintObject(StockBodyFont());
    DeletePaintObject(stockPen);
    FontMetrics metrics{};
    ReadFontMetrics(surface, &metrics);
    EXPECT_GT(metrics.height, 0);
    PaintLineTo(surface, 8, 5);
    EXPECT_EQ(At(5, 5), kBlack);
}

TEST_F(DrawingTest, BodyFontGivesTwelvePixelLines)
{
    FontMetrics metrics{};
    ReadFontMetrics(surface, &metrics);
    const int32_t lineHeight = metrics.height + metrics.externalLeading - 1;
    EXPECT_GE(lineHeight, 11);
    EXPECT_LE(lineHeight, 13);
    EXPECT_EQ(metrics.height, metrics.ascent + metrics.descent);
    EXPECT_GE(metrics.aveCharWidth, 4);
    EXPECT_LE(metrics.aveCharWidth, 8);
    EXPECT_GT(metrics.maxCharWidth, metrics.aveCharWidth);
    const std::string family = ResolvedFontFamily(StockBodyFont());
    EXPECT_TRUE(family == "DejaVu Sans Condensed" || family == "DejaVu Sans") << family;
}

TEST_F(DrawingTest, TitleRequestMapsToASerifOfTheRequestedCellHeight)
{
    FontRequest request{};
    request.height = 25;
    request.weight = 408;
    request.outPrecision = 3;
    request.clipPrecision = 2;
    std::snprintf(request.faceName, sizeof request.faceName, "%s", "New Times Roman");
    PaintObject* title = CreateFontFromRequest(&request);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(ResolvedFontFamily(title), "Liberation Serif");
    PaintObject* body = SelectPaintObject(surface, title);
    EXPECT_EQ(body, StockBodyFont());
    FontMetrics metrics{};
    ReadFontMetrics(surface, &metrics);
    EXPECT_GE(metrics.height, 23);
    EXPECT_LE(metrics.height, 25);
    const Extent wide = MeasureText(surface, "SIMILAR", 7);
    EXPECT_EQ(SelectPaintObject(surface, body), title);
    EXPECT_LT(MeasureText(surface, "SIMILAR", 7).cx, wide.cx);
    DeletePaintObject(title);
}

TEST_F(DrawingTest, PaintingIsClippedToTheInvalidArea)
{
    testScript.paint = [](AppWindow* w, DrawSurface* s) {
        PaintObject* brush = CreateBrushOfColor(kRed);
        PaintObject* previous = SelectPaintObject(s, brush);
        const Rect client = GetClientArea(w);
        PaintRectangle(s, client.left, client.top, client.right, client.bottom);
        SelectPaintObject(s, previous);
        DeletePaintObject(brush);
    };
    PumpMessages(); // the first paint of the new window covers everything
    FillClient(window, surface, kWhite);
    const Rect part = {20, 30, 40, 50};
    InvalidateArea(window, &part, false);
    PumpMessages();
    EXPECT_EQ(ClientPixel(window, 20, 30), kRed);
    EXPECT_EQ(ClientPixel(window, 39, 49), kRed);
    EXPECT_EQ(ClientPixel(window, 40, 49), kWhite);
    EXPECT_EQ(ClientPixel(window, 39, 50), kWhite);
    EXPECT_EQ(ClientPixel(window, 19, 30), kWhite);
}

} // namespace
