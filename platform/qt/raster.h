// Pixel writing for the Qt adapter: the spans the shared software shapes are
// cut into, written into a surface's toolkit image.
#pragma once

#include "platform/qt/surface_records.h"
#include "platform/software/raster_shapes.h"
