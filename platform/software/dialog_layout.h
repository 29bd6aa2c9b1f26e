// How the backends that lay out their own dialogs (Qt and the web page) read
// a dialog resource: its units and the pictures of its icon controls.
#pragma once

#include <cstdint>

#include "platform/resources.h"

// A place in pixels from the corner of the dialog's client area.
struct DialogPlace {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

// Dialog units: a quarter of the dialog font's average character width
// across and an eighth of its cell height down.
struct DialogUnits {
    int32_t baseX;
    int32_t baseY;

    DialogPlace Place(int32_t x, int32_t y, int32_t width, int32_t height) const
    {
        return {x * baseX / 4, y * baseY / 8, width * baseX / 4, height * baseY / 8};
    }
};

// The icon's image closest in width to size, or none for an icon without images.
const IconImage* ClosestIconImage(const IconResource* icon, int size);
