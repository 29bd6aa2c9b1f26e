// Fonts for the Qt adapter: the stock body font, the mapping of font requests
// to installed faces, and text drawing. This header is toolkit-free so tests
// can ask which face a request resolved to.
#pragma once

#include <string>

#include "platform/drawing.h"

// The family the toolkit actually uses for a font object; empty for other objects.
std::string ResolvedFontFamily(PaintObject* font);
