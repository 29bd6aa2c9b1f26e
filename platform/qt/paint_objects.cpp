// The Qt adapter's side of the paint objects and surfaces: colours in the
// toolkit's form, the making and freeing of surfaces, and pixels read back.
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

PaintState& PaintStateOf(DrawSurface* surface)
{
    return surface->paint;
}

void ReleaseFontFace(FontFace* face)
{
    delete face;
}

DrawSurface* NewDrawSurface(SurfaceSort sort, AppWindow* window, QImage* target)
{
    auto* surface = new DrawSurface;
    surface->sort = sort;
    surface->window = window;
    surface->target = target;
    surface->paint = FreshPaintState();
    return surface;
}

void FreeDrawSurface(DrawSurface* surface)
{
    ReleasePaintState(surface->paint);
    delete surface;
}

Color ReadPixel(DrawSurface* surface, int32_t x, int32_t y)
{
    if (!surface || !surface->target || !surface->target->valid(x, y))
        return 0xFFFFFFFF;
    return ColorOfRgb(surface->target->pixel(x, y));
}
