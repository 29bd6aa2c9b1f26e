// The record behind a SurfaceBitmap handle in the backends that draw in
// software (Qt and the web page), shared by the bitmap code and their
// surfaces. Not for the program's own code.
#pragma once

#include <cstdint>

#include "platform/bitmap.h"

struct SurfaceBitmap {
    int32_t width;
    int32_t height;
    uint16_t planes;
    uint16_t bitsPerPixel;
    int32_t stride;          // bytes per row, a multiple of 4
    uint8_t* pixels;         // rows top-down. 32 bits: blue, green, red, 0xFF per pixel
                             // (0xFFRRGGBB words, as client images hold them); 24: blue, green, red;
                             // 16: 5-5-5 words; 8, 4 and 1: palette indices, first pixel
                             // in the high bits of a byte
    ColorEntry palette[256]; // the colours that indices stand for, below 16 bits
    bool selected;           // selected into a memory surface
};
