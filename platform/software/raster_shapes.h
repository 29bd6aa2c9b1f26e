// Pixel-exact shapes for the backends that draw in software: every shape is
// cut into horizontal spans of one colour, which the backend's FillSpan
// clips and writes. No antialiasing anywhere.
#pragma once

#include <cstdint>

#include "platform/types.h"

// Pixels x0..x1-1 of row y in the surface's target, clipped to the target's
// bounds and to the surface's paint area. Defined by each backend.
void FillSpan(DrawSurface* surface, int32_t x0, int32_t x1, int32_t y, Color color);

// The outline with the pen's colour and the inside with the brush's; right
// and bottom edges exclusive.
void RasterRectangle(DrawSurface* surface, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     Color outline, Color fill);
void RasterEllipse(DrawSurface* surface, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   Color outline, Color fill);
// From (x0, y0) up to but not including (x1, y1).
void RasterLine(DrawSurface* surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1, Color color);
