// The program's icons are small XPM pictures held as data (window/res/): this reads
// one into palette indices, for whatever shows or writes it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/resources.h"

struct XpmPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> palette; // 0xRRGGBB by index
    int transparent = -1;          // the index of the colour "None", or -1
    std::vector<uint8_t> indices;  // width x height, rows top-down
};

// Reads a picture of at most 256 colours, one character per pixel, each
// colour given as #RRGGBB or None. False, with the reason in error, for
// anything else or a picture of another size than the image says.
bool ReadXpmPicture(const IconImage& image, XpmPicture* picture, std::string* error);
