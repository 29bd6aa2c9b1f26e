// Paint and window surfaces over the client image, memory surfaces drawing
// into bitmaps, and copying between them.
#include <QPainter>

#include "platform/software/bitmap_record.h"
#include "platform/qt/raster.h"
#include "platform/qt/window_records.h"

namespace {

const QColor kWhite(255, 255, 255);

// The toolkit's view of a bitmap's own pixels, for the depths it can draw into.
QImage WrapBitmap(SurfaceBitmap* bitmap)
{
    QImage::Format format = QImage::Format_Invalid;
    switch (bitmap->bitsPerPixel) {
    case 32:
        format = QImage::Format_RGB32;
        break;
    case 24:
        format = QImage::Format_BGR888;
        break;
    case 16:
        format = QImage::Format_RGB555;
        break;
    default:
        return {};
    }
    if (bitmap->planes != 1 || !bitmap->pixels)
        return {};
    return QImage(bitmap->pixels, bitmap->width, bitmap->height, bitmap->stride, format);
}

} // namespace

DrawSurface* BeginPaintSurface(AppWindow* window)
{
    if (!WindowIsLive(window))
        return nullptr;
    FitClientImage(window);
    ++window->paintsBegun;
    DrawSurface* surface = new DrawSurface(SurfacePaint, window, &window->clientImage);
    surface->clipped = true;
    surface->clip = window->invalid;
    if (window->eraseWanted) {
        QPainter painter(&window->clientImage);
        for (const QRect& r : surface->clip)
            painter.fillRect(r, kWhite);
    }
    // The area now belongs to this paint; what is invalidated meanwhile waits for the next.
    window->invalid = QRegion();
    window->eraseWanted = false;
    return surface;
}

void EndPaintSurface(AppWindow* window, DrawSurface* surface)
{
    if (surface)
        FreeDrawSurface(surface);
    ShowClientImage(window);
}

DrawSurface* OpenWindowSurface(AppWindow* window)
{
    if (!WindowIsLive(window))
        return nullptr;
    FitClientImage(window);
    return new DrawSurface(SurfaceWindow, window, &window->clientImage);
}

void CloseWindowSurface(AppWindow* window, DrawSurface* surface)
{
    if (surface)
        FreeDrawSurface(surface);
    ShowClientImage(window);
}

DrawSurface* CreateMemorySurface(DrawSurface* /*like*/)
{
    return new DrawSurface(SurfaceMemory, nullptr, nullptr);
}

void DrawIntoBitmap(DrawSurface* memory, SurfaceBitmap* bitmap)
{
    memory->bitmapImage = bitmap ? WrapBitmap(bitmap) : QImage();
    memory->target = memory->bitmapImage.isNull() ? nullptr : &memory->bitmapImage;
}

void CopySurfaceArea(DrawSurface* destination, int32_t x, int32_t y, int32_t width, int32_t height,
                     DrawSurface* source, int32_t sourceX, int32_t sourceY)
{
    if (!destination || !source || !destination->target || !source->target || width <= 0 || height <= 0)
        return;
    // A copy first, so that a surface copied onto itself reads what it had.
    const QImage block = source->target->copy(sourceX, sourceY, width, height);
    QPainter painter(destination->target);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (destination->clipped)
        painter.setClipRegion(destination->clip);
    painter.drawImage(x, y, block);
    painter.end();
    if (destination->window)
        ShowClientImage(destination->window);
}
