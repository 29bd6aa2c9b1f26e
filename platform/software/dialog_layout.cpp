#include "platform/software/dialog_layout.h"

#include <cstdlib>

const IconImage* ClosestIconImage(const IconResource* icon, int size)
{
    if (!icon || icon->imageCount == 0)
        return nullptr;
    const IconImage* best = &icon->images[0];
    for (int i = 1; i < icon->imageCount; ++i) {
        if (std::abs(icon->images[i].width - size) < std::abs(best->width - size))
            best = &icon->images[i];
    }
    return best;
}
