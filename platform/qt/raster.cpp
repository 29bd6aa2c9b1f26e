#include "platform/qt/raster.h"

#include <algorithm>

namespace {

void WriteRow(QImage* image, int32_t x0, int32_t x1, int32_t y, Color color)
{
    const QRgb rgb = RgbOfColor(color);
    if (image->format() == QImage::Format_RGB32) {
        auto* row = reinterpret_cast<QRgb*>(image->scanLine(y));
        std::fill(row + x0, row + x1, rgb);
        return;
    }
    for (int32_t x = x0; x < x1; ++x)
        image->setPixel(x, y, rgb);
}

} // namespace

void FillSpan(DrawSurface* surface, int32_t x0, int32_t x1, int32_t y, Color color)
{
    QImage* image = surface->target;
    if (!image || y < 0 || y >= image->height())
        return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, int32_t(image->width()));
    if (x0 >= x1)
        return;
    if (!surface->clipped) {
        WriteRow(image, x0, x1, y, color);
        return;
    }
    for (const QRect& r : surface->clip) {
        if (y < r.top() || y > r.bottom())
            continue;
        const int32_t from = std::max(x0, int32_t(r.left()));
        const int32_t to = std::min(x1, int32_t(r.right()) + 1);
        if (from < to)
            WriteRow(image, from, to, y, color);
    }
}
