// Off-screen bitmaps and memory surfaces, and the reading of a bitmap's
// pixels in the row format of BMP files.
#pragma once

#include <cstdint>

#include "platform/types.h"

// A memory surface like the given surface; it draws into the bitmap selected into it.
DrawSurface* CreateMemorySurface(DrawSurface* like);
void DeleteMemorySurface(DrawSurface* memory);

// A bitmap of the given surface's depth (the display's), width and height.
SurfaceBitmap* CreateSurfaceBitmap(DrawSurface* like, int32_t width, int32_t height);
// A bitmap of a chosen depth: 1, 4, 8, 16, 24 or 32 bits in planes planes.
SurfaceBitmap* CreateBitmapOfDepth(int32_t width, int32_t height, uint16_t planes, uint16_t bitsPerPixel);
// Releases a bitmap that is not selected into a surface.
void ReleaseSurfaceBitmap(SurfaceBitmap* bitmap);

// Selects a bitmap into a memory surface and returns the one it replaces
// (none for a new surface).
SurfaceBitmap* SelectSurfaceBitmap(DrawSurface* memory, SurfaceBitmap* bitmap);

// Copies a width x height block from (sourceX, sourceY) of source to (x, y) of destination.
void CopySurfaceArea(DrawSurface* destination, int32_t x, int32_t y, int32_t width, int32_t height,
                     DrawSurface* source, int32_t sourceX, int32_t sourceY);

// A bitmap's size and depth; false when the handle is none.
struct BitmapDescription {
    int32_t width;
    int32_t height;
    uint16_t planes;
    uint16_t bitsPerPixel;
};
bool ReadBitmapDescription(SurfaceBitmap* bitmap, BitmapDescription* description);

// The 40-byte header of a device-independent bitmap, as BMP files carry it.
struct BitmapInfoHeader {
    uint32_t size;
    int32_t width;
    int32_t height;
    uint16_t planes;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t sizeImage;
    int32_t xPelsPerMeter;
    int32_t yPelsPerMeter;
    uint32_t clrUsed;
    uint32_t clrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

struct ColorEntry {
    uint8_t blue;
    uint8_t green;
    uint8_t red;
    uint8_t reserved;
};

// A bitmap description block: the header followed by header.clrUsed colour entries.
struct BitmapInfo {
    BitmapInfoHeader header;
    ColorEntry colors[1];
};

// Copies lineCount rows of the bitmap, from row firstLine counted from the
// bottom, into buffer in the format that info's header asks for
// (info->header.bitCount of 1, 4, 8, 16, 24 or 32): rows bottom-up, each
// padded to a multiple of 4 bytes, blue-green-red order; for depths below 16
// it fills info's colour table too. surface is the memory surface the bitmap
// is selected into. Returns the number of rows copied, 0 on failure.
int32_t FetchBitmapRows(DrawSurface* surface, SurfaceBitmap* bitmap, int32_t firstLine, uint16_t lineCount,
                        void* buffer, BitmapInfo* info);
