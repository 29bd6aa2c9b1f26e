// Every value that changes while a main window runs (AppState, one for each
// main window, made with it and released with it) and every fixed parameter
// (AppSettings, a constant table).
#pragma once

#include <cstdint>

#include "display/screen_layout.h"
#include "platform/drawing.h"
#include "platform/types.h"
#include "vectors/noise_generators.h"
#include "vectors/vector_containers.h"
#include "vectors/vector_series.h"

struct AppSettings {
    const char* className;     // window class name and the main window's title
    int32_t defaultDimension;  // coordinates of every vector
    int32_t defaultCoordinate; // each coordinate of the initial vector
    int32_t seriesLength;      // elements in the series
    int32_t repeatCount;       // copies of each picked vector; also the subset size searched for
    NoiseLevelTable noiseLevels;
    int32_t noiseLevelCount;
    int32_t maxPicks;          // vectors the user may pick before a Restart
    int32_t pickCapacity;      // room for vectors in the picked set
    int32_t coordinateRange;   // half the width of the vector plane, in coordinate units
};

inline constexpr AppSettings appSettings = {
    "KestrandVectorsSubset",
    kSeriesDimension,
    100,
    kSeriesLength,
    kSeriesRepeats,
    kSeriesNoiseLevels,
    int32_t(kSeriesNoiseLevels.size()),
    1,
    1,
    kCoordinateRange,
};

// Both edges of every rectangle here belong to it (left <= x <= right).
struct AppState {
    int32_t seriesHidden = 1; // while set, neither panel draws the series

    // Handles.
    AppInstance* instance = nullptr;
    PaintObject* font = nullptr;      // body font; the title font while the title is drawn
    PaintObject* savedFont = nullptr; // the font selected in the paint surface before font
    FontMetrics textMetrics = {};     // metrics of font, taken at each paint

    // Vectors.
    int32_t dimension = 0;
    int32_t vectorValue = 0;
    int32_t initialCoordinate = 0;
    int32_t* initialVector = nullptr;
    VectorHeader* referenceVector = nullptr;
    VectorHeader* centerVector = nullptr;
    VectorsArrayHeader* pickedVectors = nullptr;
    VectorSeriesHeader* series = nullptr;

    // Noise level, picks and flags.
    int32_t noiseLevelIndex = 0;
    int32_t initialNoiseLevelIndex = 0;
    int32_t noiseLevel = 0;
    int32_t pickCount = 0;
    int32_t seriesPanelPressed = 0;
    int32_t searchDone = 0;

    // The window's own generators: its series and noise never depend on
    // another window's.
    GeneratorStates generators;

    // Layout of the latest paint.
    int32_t marginX = 0;
    int32_t marginY = 0;
    Rect workRect = {};
    Rect buttonRects[kButtonCount] = {}; // in ButtonIndex order
    Rect seriesPanelRect = {};
    Rect resultPanelRect = {};
    int32_t charMaxWidth = 0;
    int32_t charAveWidth = 0;
    int32_t lineHeight = 0;

    // The name the last snapshot was saved under.
    char fileName[256] = {};
};

// The state of a main window, from its MessageCreate to its MessageDestroy;
// none for any other window.
AppState* MainWindowState(AppWindow* window);

// The first made of the main windows that exist now; none when there is none.
AppWindow* OldestMainWindow();

// Makes the window's state, fills in the working values and makes the vector
// containers (a failure there is reported by the containers themselves, and
// start-up goes on without the one concerned); always reports success (nonzero).
int InitAppState(AppWindow* window);

// Releases the font, every container and the state itself, then posts the
// quit message with code 0.
void FreeAppState(AppWindow* window);
