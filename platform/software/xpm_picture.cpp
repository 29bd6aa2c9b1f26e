#include "platform/software/xpm_picture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

bool ReadXpmPicture(const IconImage& image, XpmPicture* picture, std::string* error)
{
    int width = 0, height = 0, colorCount = 0, charsPerPixel = 0;
    if (!image.xpm || std::sscanf(image.xpm[0], "%d %d %d %d", &width, &height, &colorCount, &charsPerPixel) != 4 ||
        width != image.width || height != image.height || colorCount < 1 || colorCount > 256 || charsPerPixel != 1) {
        *error = "icon " + std::to_string(image.width) + ": not an XPM of one character per pixel in its size";
        return false;
    }
    int indexOf[256];
    std::fill(std::begin(indexOf), std::end(indexOf), -1);
    picture->palette.assign(std::size_t(colorCount), 0);
    picture->transparent = -1;
    for (int i = 0; i < colorCount; ++i) {
        const char* line = image.xpm[1 + i];
        const char* value = std::strstr(line + 1, " c ");
        if (!value) {
            *error = std::string("icon colour line without a colour: ") + line;
            return false;
        }
        value += 3;
        indexOf[static_cast<unsigned char>(line[0])] = i;
        if (std::strcmp(value, "None") == 0) {
            picture->transparent = i;
        } else if (value[0] == '#' && std::strlen(value) == 7) {
            picture->palette[std::size_t(i)] = uint32_t(std::strtoul(value + 1, nullptr, 16));
        } else {
            *error = std::string("icon colour not in #RRGGBB form: ") + line;
            return false;
        }
    }
    picture->width = width;
    picture->height = height;
    picture->indices.assign(std::size_t(width) * std::size_t(height), 0);
    for (int y = 0; y < height; ++y) {
        const char* row = image.xpm[1 + colorCount + y];
        if (int(std::strlen(row)) != width) {
            *error = "icon row " + std::to_string(y) + " is not " + std::to_string(width) + " pixels wide";
            return false;
        }
        for (int x = 0; x < width; ++x) {
            const int index = indexOf[static_cast<unsigned char>(row[x])];
            if (index < 0) {
                *error = std::string("icon pixel of no colour: ") + row[x];
                return false;
            }
            picture->indices[std::size_t(y) * std::size_t(width) + std::size_t(x)] = uint8_t(index);
        }
    }
    return true;
}
