#include "platform/software/raster_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

// Sorts the two edges of a box so that left <= right and top <= bottom.
void NormalizeBox(int32_t& left, int32_t& top, int32_t& right, int32_t& bottom)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
}

struct Span {
    int32_t first; // inclusive
    int32_t last;  // inclusive; last < first for an empty row
};

// Row y's run of pixels whose centres lie inside the ellipse that fills the
// box [left, right] x [top, bottom].
Span EllipseRow(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t y)
{
    const double a = (right - left) / 2.0;
    const double b = (bottom - top) / 2.0;
    const double cx = (left + right) / 2.0;
    const double cy = (top + bottom) / 2.0;
    const double dy = (y + 0.5 - cy) / b;
    const double rest = 1.0 - dy * dy;
    if (rest < 0)
        return {0, -1};
    const double half = a * std::sqrt(rest);
    // Pixel x is inside when |x + 0.5 - cx| <= half.
    const auto first = int32_t(std::ceil(cx - half - 0.5));
    const auto last = int32_t(std::floor(cx + half - 0.5));
    return {std::max(first, left), std::min(last, right - 1)};
}

} // namespace

void RasterRectangle(DrawSurface* surface, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     Color outline, Color fill)
{
    NormalizeBox(left, top, right, bottom);
    if (right - left < 1 || bottom - top < 1)
        return;
    FillSpan(surface, left, right, top, outline);
    if (bottom - top > 1)
        FillSpan(surface, left, right, bottom - 1, outline);
    for (int32_t y = top + 1; y < bottom - 1; ++y) {
        FillSpan(surface, left, left + 1, y, outline);
        FillSpan(surface, left + 1, right - 1, y, fill);
        if (right - left > 1)
            FillSpan(surface, right - 1, right, y, outline);
    }
}

void RasterEllipse(DrawSurface* surface, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   Color outline, Color fill)
{
    NormalizeBox(left, top, right, bottom);
    if (right - left < 1 || bottom - top < 1)
        return;
    const int32_t rows = bottom - top;
    std::vector<Span> spans(rows);
    for (int32_t i = 0; i < rows; ++i)
        spans[i] = EllipseRow(left, top, right, bottom, top + i);
    const Span none{0, -1};
    for (int32_t i = 0; i < rows; ++i) {
        const Span row = spans[i];
        if (row.last < row.first)
            continue;
        const Span above = i > 0 ? spans[i - 1] : none;
        const Span below = i + 1 < rows ? spans[i + 1] : none;
        // The inside of the row: pixels whose four neighbours are all in the ellipse.
        const int32_t innerFirst = std::max({row.first + 1, above.first, below.first});
        const int32_t innerLast = std::min({row.last - 1, above.last, below.last});
        const int32_t y = top + i;
        if (innerFirst > innerLast) {
            FillSpan(surface, row.first, row.last + 1, y, outline);
            continue;
        }
        FillSpan(surface, row.first, innerFirst, y, outline);
        FillSpan(surface, innerFirst, innerLast + 1, y, fill);
        FillSpan(surface, innerLast + 1, row.last + 1, y, outline);
    }
}

void RasterLine(DrawSurface* surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1, Color color)
{
    if (y0 == y1) {
        // A horizontal run in one span; the end point stays out.
        if (x0 <= x1)
            FillSpan(surface, x0, x1, y0, color);
        else
            FillSpan(surface, x1 + 1, x0 + 1, y0, color);
        return;
    }
    const int32_t dx = std::abs(x1 - x0);
    const int32_t dy = -std::abs(y1 - y0);
    const int32_t stepX = x0 < x1 ? 1 : -1;
    const int32_t stepY = y0 < y1 ? 1 : -1;
    int32_t error = dx + dy;
    int32_t x = x0;
    int32_t y = y0;
    while (x != x1 || y != y1) {
        FillSpan(surface, x, x + 1, y, color);
        const int32_t twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += stepX;
        }
        if (twice <= dx) {
            error += dx;
            y += stepY;
        }
    }
}
