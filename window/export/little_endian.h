// Storing header fields byte by byte, least significant byte first, as the
// BMP and PCX formats lay them out.
#pragma once

#include <cstdint>

inline uint8_t* PutUint8(uint8_t* out, uint8_t value)
{
    *out = value;
    return out + 1;
}

inline uint8_t* PutUint16(uint8_t* out, uint16_t value)
{
    out[0] = uint8_t(value);
    out[1] = uint8_t(value >> 8);
    return out + 2;
}

inline uint8_t* PutUint32(uint8_t* out, uint32_t value)
{
    out[0] = uint8_t(value);
    out[1] = uint8_t(value >> 8);
    out[2] = uint8_t(value >> 16);
    out[3] = uint8_t(value >> 24);
    return out + 4;
}
