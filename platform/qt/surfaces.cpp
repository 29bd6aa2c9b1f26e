// Window surfaces over the client image, memory surfaces over bitmaps, and
// copying between them.
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
    DrawSurface* surface = NewDrawSurface(SurfacePaint, window, &window->clientImage);
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
    return NewDrawSurface(SurfaceWindow, window, &window->clientImage);
}

void CloseWindowSurface(AppWindow* window, DrawSurface* surface)
{
    if (surface)
        FreeDrawSurface(surface);
    ShowClientImage(window);
}

DrawSurface* CreateMemorySurface(DrawSurface* /*like*/)
{
    return NewDrawSurface(SurfaceMemory, nullptr, nullptr);
}

void DeleteMemorySurface(DrawSurface* memory)
{
    if (!memory || memory->sort != SurfaceMemory)
        return;
    if (memory->bitmap)
        memory->bitmap->selected = false;
    FreeDrawSurface(memory);
}

// Selecting none takes the current bitmap out, so that it can be released.
// A bitmap selected into another surface stays there: the call gives none.
SurfaceBitmap* SelectSurfaceBitmap(DrawSurface* memory, SurfaceBitmap* bitmap)
{
    if (!memory || memory->sort != SurfaceMemory)
        return nullptr;
    if (bitmap && bitmap->selected && bitmap != memory->bitmap)
        return nullptr;
    SurfaceBitmap* previous = memory->bitmap;
    if (previous)
        previous->selected = false;
    memory->bitmap = bitmap;
    memory->bitmapImage = bitmap ? WrapBitmap(bitmap) : QImage();
    memory->target = memory->bitmapImage.isNull() ? nullptr : &memory->bitmapImage;
    if (bitmap)
        bitmap->selected = true;
    return previous;
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
