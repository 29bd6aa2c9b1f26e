// Memory device contexts, device-dependent bitmaps at the display's depth,
// copying between contexts and reading a bitmap's rows with GetDIBits.
#include "platform/bitmap.h"
#include "platform/win32/handles.h"

static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER));
static_assert(sizeof(ColorEntry) == sizeof(RGBQUAD));

DrawSurface* CreateMemorySurface(DrawSurface* like)
{
    return SurfaceOf(CreateCompatibleDC(SurfaceHandle(like)));
}

void DeleteMemorySurface(DrawSurface* memory)
{
    if (memory)
        DeleteDC(SurfaceHandle(memory));
}

SurfaceBitmap* CreateSurfaceBitmap(DrawSurface* like, int32_t width, int32_t height)
{
    return SurfaceBitmapOf(CreateCompatibleBitmap(SurfaceHandle(like), width, height));
}

SurfaceBitmap* CreateBitmapOfDepth(int32_t width, int32_t height, uint16_t planes, uint16_t bitsPerPixel)
{
    return SurfaceBitmapOf(CreateBitmap(width, height, planes, bitsPerPixel, nullptr));
}

void ReleaseSurfaceBitmap(SurfaceBitmap* bitmap)
{
    if (bitmap)
        DeleteObject(BitmapHandle(bitmap));
}

// A memory context always holds a bitmap (at first a 1 x 1 monochrome one of
// the system's), so none cannot be selected: callers put back the bitmap that
// their first selection returned.
SurfaceBitmap* SelectSurfaceBitmap(DrawSurface* memory, SurfaceBitmap* bitmap)
{
    if (!memory || !bitmap)
        return nullptr;
    return SurfaceBitmapOf(static_cast<HBITMAP>(SelectObject(SurfaceHandle(memory), BitmapHandle(bitmap))));
}

void CopySurfaceArea(DrawSurface* destination, int32_t x, int32_t y, int32_t width, int32_t height,
                     DrawSurface* source, int32_t sourceX, int32_t sourceY)
{
    BitBlt(SurfaceHandle(destination), x, y, width, height, SurfaceHandle(source), sourceX, sourceY, SRCCOPY);
}

bool ReadBitmapDescription(SurfaceBitmap* bitmap, BitmapDescription* description)
{
    BITMAP system = {};
    if (!bitmap || !GetObjectA(BitmapHandle(bitmap), sizeof system, &system))
        return false;
    description->width = system.bmWidth;
    description->height = system.bmHeight;
    description->planes = system.bmPlanes;
    description->bitsPerPixel = system.bmBitsPixel;
    return true;
}

int32_t FetchBitmapRows(DrawSurface* surface, SurfaceBitmap* bitmap, int32_t firstLine, uint16_t lineCount,
                        void* buffer, BitmapInfo* info)
{
    return GetDIBits(SurfaceHandle(surface), BitmapHandle(bitmap), UINT(firstLine), lineCount, buffer,
                     reinterpret_cast<BITMAPINFO*>(info), DIB_RGB_COLORS);
}
