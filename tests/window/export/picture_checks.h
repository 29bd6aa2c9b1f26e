// Whether a written file shows a given picture: every pixel of a 32-bit BMP,
// or the background/foreground bit of every pixel of a two-colour PCX.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/types.h"

// colors: width x height colours, top row first.
testing::AssertionResult BmpShowsPicture(const std::vector<uint8_t>& file, const std::vector<Color>& colors,
                                         int32_t width, int32_t height);

// Background pixels and the padding bits must be 1, every other pixel 0.
testing::AssertionResult PcxShowsPicture(const std::vector<uint8_t>& file, const std::vector<Color>& colors,
                                         int32_t width, int32_t height, Color background);
