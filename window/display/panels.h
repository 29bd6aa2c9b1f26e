// The two vector-plane panels: the series panel on the left and the result
// panel on the right. Both show the plane from -range to +range on each axis,
// origin at the centre, y pointing up.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "vectors/vector_containers.h"
#include "vectors/vector_series.h"

constexpr Color kSubsetColor = 0xCA66CC; // elements of the found subset

// The noisy series in identity colours (unless hidden), then one line per
// picked vector and the repeat and vector counts.
void DrawSeriesPanel(DrawSurface* surface, const VectorsArrayHeader* picked, const VectorSeriesHeader* series,
                     int32_t range, Rect panel);

// Once a search has found a centre: the noisy series, the subset over it and
// the captions. Otherwise only the frame and the axes.
void DrawResultPanel(DrawSurface* surface, const VectorSeriesHeader* series, int32_t range, Rect panel);

// " w[1] = (100,-37)": the line of one picked vector. Returns the text's length.
int FormatPickedVectorLine(char* buffer, int size, int32_t descriptor, const int32_t* coordinates,
                           int32_t dimension);

constexpr int kResultCaptionCount = 4;
constexpr int kResultCaptionSize = 64;

// The result panel's captions: series length, repeats, noise level and the
// noisy coordinates of the centre found (centerIndex must be at least 1).
void FormatResultCaptions(const VectorSeriesHeader* series, char captions[kResultCaptionCount][kResultCaptionSize]);
