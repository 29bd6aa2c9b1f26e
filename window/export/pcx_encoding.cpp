#include "export/pcx_encoding.h"

#include <cstring>

#include "export/little_endian.h"

namespace {

constexpr uint8_t kRunMark = 0xC0;   // the two top bits that mark a run count
constexpr uint32_t kLongestRun = 63; // the most a run count byte can hold

// A run of count copies of value: a count byte first when the run is longer
// than one or the value itself would read as a count byte.
uint8_t* EmitRun(uint8_t* out, uint8_t value, uint32_t count)
{
    if (count > 1 || (value & kRunMark) == kRunMark)
        *out++ = uint8_t(kRunMark | count);
    *out++ = value;
    return out;
}

}

int32_t PcxBytesPerLine(int32_t width) { return ((width + 31) >> 5) << 2; }

void EncodePcxHeader(int32_t width, int32_t height, Color background, uint8_t* header)
{
    std::memset(header, 0, kPcxHeaderSize);
    uint8_t* p = header;
    p = PutUint8(p, 10);                                  // manufacturer
    p = PutUint8(p, 5);                                   // version
    p = PutUint8(p, 1);                                   // encoding: run-length
    p = PutUint8(p, 1);                                   // bits per pixel
    p = PutUint16(p, 0);                                  // window left
    p = PutUint16(p, 0);                                  // window top
    p = PutUint16(p, uint16_t(width - 1));                // window right
    p = PutUint16(p, uint16_t(height - 1));               // window bottom
    p = PutUint16(p, 640);                                // horizontal resolution
    p = PutUint16(p, 480);                                // vertical resolution
    p = PutUint8(p, 0);                                   // palette entry 0: red
    p = PutUint8(p, 0);                                   // palette entry 0: green
    p = PutUint8(p, 0);                                   // palette entry 0: blue
    p = PutUint8(p, ColorRed(background));                // palette entry 1: red
    p = PutUint8(p, ColorGreen(background));              // palette entry 1: green
    p = PutUint8(p, ColorBlue(background));               // palette entry 1: blue
    p += 42;                                              // palette entries 2 to 15: zero
    p = PutUint8(p, 0);                                   // reserved
    p = PutUint8(p, 1);                                   // colour planes
    p = PutUint16(p, uint16_t(PcxBytesPerLine(width)));   // bytes per line
    p = PutUint16(p, 1);                                  // palette information
    p = PutUint16(p, 0);                                  // horizontal screen size
    PutUint16(p, 0);                                      // vertical screen size; the filler after it stays zero
}

void PackPcxLine(const uint8_t* line, int32_t bytesPerLine, uint8_t* packed)
{
    uint32_t accumulator = 0;
    for (int32_t i = 0; i < 8 * bytesPerLine; ++i) {
        accumulator = (accumulator << 1) | line[i];
        if (i % 8 == 7) {
            packed[i / 8] = uint8_t(accumulator);
            accumulator = 0;
        }
    }
}

std::size_t EncodePcxLine(const uint8_t* packed, int32_t bytesPerLine, uint8_t* encoded)
{
    uint8_t* out = encoded;
    uint8_t current = 0;
    uint32_t count = 0;
    for (int32_t i = 0; i < bytesPerLine; ++i) {
        uint8_t value = packed[i];
        if (count == 0) {
            current = value;
            count = 1;
        } else if (value == current) {
            if (++count == kLongestRun) {
                out = EmitRun(out, current, count);
                count = 0;
            }
        } else {
            out = EmitRun(out, current, count);
            current = value;
            count = 1;
        }
    }
    if (count > 0)
        out = EmitRun(out, current, count);
    return std::size_t(out - encoded);
}
