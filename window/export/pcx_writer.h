// Writing a window's client area as a two-colour, run-length-encoded PCX file:
// pixels of the surface's background colour are 1, all others 0.
#pragma once

#include "platform/types.h"

// Reads the client area pixel by pixel from surface and writes the file.
// 1 when the file was written and closed, 0 after a failure it has reported.
int WritePcxFile(AppWindow* window, const char* fileName, DrawSurface* surface);
