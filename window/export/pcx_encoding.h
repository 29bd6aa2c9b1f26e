// The pure parts of a two-colour PCX file: its header, and the packing and
// run-length encoding of one scan line.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/types.h"

constexpr std::size_t kPcxHeaderSize = 128;

// Bytes of one packed line: the width padded to whole 32-bit units.
int32_t PcxBytesPerLine(int32_t width);

// The 128-byte header for a client area of width x height with the given
// background colour as palette entry 1.
void EncodePcxHeader(int32_t width, int32_t height, Color background, uint8_t* header);

// Packs 8 * bytesPerLine pixel values (0 or 1) into bytesPerLine bytes, the
// first pixel of each group of 8 in the most significant bit.
void PackPcxLine(const uint8_t* line, int32_t bytesPerLine, uint8_t* packed);

// Run-length encodes one packed line into encoded, which has room for
// 2 * bytesPerLine bytes; returns the bytes written.
std::size_t EncodePcxLine(const uint8_t* packed, int32_t bytesPerLine, uint8_t* encoded);
