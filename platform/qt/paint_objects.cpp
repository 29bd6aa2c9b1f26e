// The Qt adapter's side of the paint objects and surfaces: colours in the
// toolkit's form, the freeing of surfaces, and pixels read back.
#include "platform/qt/raster.h"
#include "platform/qt/surface_records.h"

QRgb RgbOfColor(Color color)
{
    return qRgb(ColorRed(color), ColorGreen(color), ColorBlue(color));
}

Color ColorOfRgb(QRgb rgb)
{
    return MakeColor(uint8_t(qRed(rgb)), uint8_t(qGreen(rgb)), uint8_t(qBlue(rgb)));
}

SurfaceRecord& RecordOf(DrawSurface* surface)
{
    return *surface;
}

void ReleaseFontFace(FontFace* face)
{
    delete face;
}

void FreeDrawSurface(DrawSurface* surface)
{
    delete surface;
}

Color ReadPixel(DrawSurface* surface, int32_t x, int32_t y)
{
    if (!surface || !surface->target || !surface->target->valid(x, y))
        return 0xFFFFFFFF;
    return ColorOfRgb(surface->target->pixel(x, y));
}
