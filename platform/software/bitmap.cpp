// Off-screen bitmaps kept in the program's heap, and the reading of their rows
// in the layout BMP files use. No toolkit here: a backend's memory surfaces
// draw straight into the rows of a 32-bit bitmap.
#include <cstring>

#include "platform/bitmap.h"
#include "platform/software/bitmap_record.h"
#include "platform/memory.h"

namespace {

bool IsBitmapDepth(uint16_t bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 1: case 4: case 8: case 16: case 24: case 32:
        return true;
    default:
        return false;
    }
}

// Bytes of one row holding the given number of bits per pixel, padded to whole 32-bit units.
int64_t PaddedRowBytes(int32_t width, int64_t bitsPerPixel)
{
    return (int64_t(width) * bitsPerPixel + 31) / 32 * 4;
}

ColorEntry Entry(uint8_t red, uint8_t green, uint8_t blue) { return {blue, green, red, 0}; }

// The colours indices stand for when a bitmap is made: black and white for 1
// bit, the sixteen standard VGA colours for 4, an even 3-3-2 RGB cube for 8.
void FillDefaultPalette(SurfaceBitmap* bitmap)
{
    static const ColorEntry vga[16] = {
        Entry(0, 0, 0),       Entry(128, 0, 0),   Entry(0, 128, 0),   Entry(128, 128, 0),
        Entry(0, 0, 128),     Entry(128, 0, 128), Entry(0, 128, 128), Entry(192, 192, 192),
        Entry(128, 128, 128), Entry(255, 0, 0),   Entry(0, 255, 0),   Entry(255, 255, 0),
        Entry(0, 0, 255),     Entry(255, 0, 255), Entry(0, 255, 255), Entry(255, 255, 255),
    };
    if (bitmap->bitsPerPixel == 1) {
        bitmap->palette[0] = Entry(0, 0, 0);
        bitmap->palette[1] = Entry(255, 255, 255);
    } else if (bitmap->bitsPerPixel == 4) {
        std::memcpy(bitmap->palette, vga, sizeof vga);
    } else if (bitmap->bitsPerPixel == 8) {
        for (int i = 0; i < 256; ++i)
            bitmap->palette[i] = Entry(uint8_t((i >> 5 & 7) * 255 / 7), uint8_t((i >> 2 & 7) * 255 / 7),
                                       uint8_t((i & 3) * 255 / 3));
    }
}

// A 32-bit row holds blue, green, red and the surfaces' 0xFF; the file's
// fourth byte is 0.
void CopyRgb32Row(const uint8_t* source, uint8_t* target, int32_t width)
{
    for (int32_t x = 0; x < width; ++x) {
        target[4 * x] = source[4 * x];
        target[4 * x + 1] = source[4 * x + 1];
        target[4 * x + 2] = source[4 * x + 2];
        target[4 * x + 3] = 0;
    }
}

}

SurfaceBitmap* CreateBitmapOfDepth(int32_t width, int32_t height, uint16_t planes, uint16_t bitsPerPixel)
{
    if (width < 0 || height < 0 || planes == 0 || !IsBitmapDepth(bitsPerPixel))
        return nullptr;
    int64_t stride = PaddedRowBytes(width, int64_t(planes) * bitsPerPixel);
    if (stride > INT32_MAX)
        return nullptr;
    auto* bitmap = static_cast<SurfaceBitmap*>(AllocateZeroed(sizeof(SurfaceBitmap)));
    if (!bitmap)
        return nullptr;
    bitmap->pixels = static_cast<uint8_t*>(AllocateZeroed(std::size_t(stride) * std::size_t(height)));
    if (!bitmap->pixels) {
        ReleaseMemory(bitmap);
        return nullptr;
    }
    bitmap->width = width;
    bitmap->height = height;
    bitmap->planes = planes;
    bitmap->bitsPerPixel = bitsPerPixel;
    bitmap->stride = int32_t(stride);
    FillDefaultPalette(bitmap);
    if (bitsPerPixel == 32) {
        // Client images' words carry 0xFF in their top byte: start opaque black.
        for (int64_t i = 3; i < stride * height; i += 4)
            bitmap->pixels[i] = 0xFF;
    }
    return bitmap;
}

// Every client image holds 32-bit words, so the display's depth is one plane of 32 bits.
SurfaceBitmap* CreateSurfaceBitmap(DrawSurface*, int32_t width, int32_t height)
{
    return CreateBitmapOfDepth(width, height, 1, 32);
}

void ReleaseSurfaceBitmap(SurfaceBitmap* bitmap)
{
    // A bitmap still selected into a surface is in use there and stays.
    if (!bitmap || bitmap->selected)
        return;
    ReleaseMemory(bitmap->pixels);
    ReleaseMemory(bitmap);
}

bool ReadBitmapDescription(SurfaceBitmap* bitmap, BitmapDescription* description)
{
    if (!bitmap)
        return false;
    description->width = bitmap->width;
    description->height = bitmap->height;
    description->planes = bitmap->planes;
    description->bitsPerPixel = bitmap->bitsPerPixel;
    return true;
}

// The rows are read from the bitmap's own memory, which the surface it is
// selected into draws into directly, so the surface itself is not consulted.
int32_t FetchBitmapRows(DrawSurface*, SurfaceBitmap* bitmap, int32_t firstLine, uint16_t lineCount, void* buffer,
                        BitmapInfo* info)
{
    if (!bitmap || !buffer || !info || lineCount == 0)
        return 0;
    const BitmapInfoHeader& header = info->header;
    // Only the bitmap's own layout is delivered: no conversion between depths.
    if (header.size != sizeof(BitmapInfoHeader) || header.planes != 1 || bitmap->planes != 1 ||
        header.bitCount != bitmap->bitsPerPixel || header.compression != 0 || header.width != bitmap->width ||
        header.height != bitmap->height)
        return 0;
    if (firstLine < 0 || int64_t(firstLine) + lineCount > bitmap->height)
        return 0;

    auto* target = static_cast<uint8_t*>(buffer);
    std::size_t dataBytes = (std::size_t(bitmap->width) * bitmap->bitsPerPixel + 7) / 8;
    for (int32_t line = firstLine; line < firstLine + lineCount; ++line) {
        // Line 0 is the bottom row; the bitmap keeps its rows top-down.
        const uint8_t* source = bitmap->pixels + int64_t(bitmap->height - 1 - line) * bitmap->stride;
        if (bitmap->bitsPerPixel == 32)
            CopyRgb32Row(source, target, bitmap->width);
        else
            std::memcpy(target, source, dataBytes);
        std::memset(target + dataBytes, 0, std::size_t(bitmap->stride) - dataBytes);
        target += bitmap->stride;
    }
    if (bitmap->bitsPerPixel < 16)
        std::memcpy(info->colors, bitmap->palette, sizeof(ColorEntry) << bitmap->bitsPerPixel);
    return lineCount;
}
