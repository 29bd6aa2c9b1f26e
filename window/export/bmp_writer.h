// Writing an off-screen bitmap as a BMP file at its own depth.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/bitmap.h"
#include "platform/types.h"

constexpr std::size_t kBmpFileHeaderSize = 14;
constexpr std::size_t kBmpInfoHeaderSize = 40;

// The depth a BMP file holds for a bitmap of planes x bits per pixel.
uint16_t BmpBitCount(uint16_t planesTimesBits);

// Colour-table entries for a BMP depth: 2^depth below 16 bits, else none.
uint32_t BmpColorCount(uint16_t bitCount);

// The pixel bytes a file of this size and depth carries: ((W + 7) / 8) * H * B.
// At 1 bit that falls short of the rows (each padded to 4 bytes); it is then
// raised to the rows, so the header's sizes and the file agree.
uint32_t BmpImageSize(int32_t width, int32_t height, uint16_t bitCount);

// The bytes that precede the pixel rows: the file header, the info header
// and its colour table, 14 + 40 + 4 * clrUsed in all, written into out.
// Returns that count.
std::size_t EncodeBmpHeaders(const BitmapInfo* info, uint8_t* out);

// The description of a bitmap (header and an empty colour table), allocated
// from the program's heap; none after a failure it has reported.
BitmapInfo* CreateBitmapInfo(AppWindow* owner, SurfaceBitmap* bitmap);

// Fetches the bitmap's rows as info describes them and writes the file.
// surface is the memory surface the bitmap is selected into. 1 when the file
// was written and closed, 0 after a failure it has reported.
int WriteBitmapFile(AppWindow* owner, const char* fileName, BitmapInfo* info, SurfaceBitmap* bitmap,
                    DrawSurface* surface);
