// The two vector-plane panels: the series panel on the left and the result
// panel on the right. Both show the plane from -range to +range on each axis,
// origin at the centre, y pointing up.
#pragma once

#include <cstdint>
#include <iterator>

#include "platform/types.h"
#include "vectors/vector_containers.h"
#include "vectors/vector_series.h"

constexpr Color kSubsetColor = 0xCA66CC; // elements of the found subset
constexpr int32_t kPointRadius = 4;      // radius of a drawn vector dot, in pixels
constexpr Color kIdentityColors[] = {0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFF00FF, 0xFFFF00};

// The dot colour of a vector identity; an identity beyond the table takes its
// nearest entry, so no identity a series carries reads outside it.
constexpr Color IdentityColor(int32_t identity)
{
    constexpr int32_t last = int32_t(std::size(kIdentityColors)) - 1;
    return kIdentityColors[identity < 0 ? 0 : identity > last ? last : identity];
}

// What the window shows, handed to the painters to read; they change none of it.
struct ScreenView {
    const VectorsArrayHeader* picked = nullptr;
    const VectorSeriesHeader* series = nullptr;
    bool seriesHidden = true; // while set, neither panel draws the series
    bool searchDone = false;  // a search was asked for since the series was last remade
    int32_t lineHeight = 0;   // of the body font: the step between text lines
};

// The noisy series in identity colours (unless hidden), then one line per
// picked vector and the repeat and vector counts.
void DrawSeriesPanel(DrawSurface* surface, const ScreenView& view, int32_t range, Rect panel);

// Once a search has found a centre: the noisy series, the subset over it and
// the captions. Otherwise only the frame and the axes.
void DrawResultPanel(DrawSurface* surface, const ScreenView& view, int32_t range, Rect panel);

// " w[1] = (100,-37)": the line of one picked vector. Returns the text's length.
int FormatPickedVectorLine(char* buffer, int size, int32_t descriptor, const int32_t* coordinates,
                           int32_t dimension);

constexpr int kResultCaptionCount = 4;
constexpr int kResultCaptionSize = 64;

// The result panel's captions: series length, repeats, noise level and the
// noisy coordinates of the centre found (centerIndex must be at least 1).
void FormatResultCaptions(const VectorSeriesHeader* series, char captions[kResultCaptionCount][kResultCaptionSize]);
