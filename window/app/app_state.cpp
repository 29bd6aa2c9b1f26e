#include "app/app_state.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/window.h"
#include "vectors/vector_containers.h"
#include "vectors/vector_series.h"

namespace {

struct WindowState {
    AppWindow* window;
    std::unique_ptr<AppState> state;
};

// The state of every main window that exists, oldest first.
std::vector<WindowState> windowStates;

std::vector<WindowState>::iterator FindWindowState(AppWindow* window)
{
    return std::find_if(windowStates.begin(), windowStates.end(),
                        [window](const WindowState& e) { return e.window == window; });
}

} // namespace

AppState* MainWindowState(AppWindow* window)
{
    const auto entry = FindWindowState(window);
    return entry == windowStates.end() ? nullptr : entry->state.get();
}

AppWindow* OldestMainWindow() { return windowStates.empty() ? nullptr : windowStates.front().window; }

int InitAppState(AppWindow* window)
{
    windowStates.push_back({window, std::make_unique<AppState>()});
    AppState& state = *windowStates.back().state;
    state.font = StockBodyFont();
    state.noiseLevel = appSettings.noiseLevels[state.noiseLevelIndex];

    state.dimension = appSettings.defaultDimension;
    state.vectorValue = 1;
    state.initialCoordinate = appSettings.defaultCoordinate;

    state.initialVector = CreateIntArray(window, state.dimension, state.initialCoordinate, state.initialVector);
    state.referenceVector =
        CreateVectorHeader(window, state.dimension, state.vectorValue, state.initialVector, state.referenceVector);
    state.centerVector =
        CreateVectorHeader(window, state.dimension, state.vectorValue, state.initialVector, state.centerVector);
    state.pickedVectors =
        CreateVectorsArrayHeader(window, state.dimension, appSettings.pickCapacity, state.pickedVectors);
    return 1;
}

void FreeAppState(AppWindow* window)
{
    const auto entry = FindWindowState(window);
    if (entry == windowStates.end())
        return;
    AppState& state = *entry->state;
    // Between paints the font is the platform's stock font, which deleting leaves alone.
    if (state.font)
        DeletePaintObject(state.font);
    FreeVectorHeader(window, state.referenceVector);
    FreeIntArray(window, state.initialVector);
    FreeVectorSeriesHeader(window, state.series);
    FreeVectorHeader(window, state.centerVector);
    FreeVectorsArrayHeader(window, state.pickedVectors);
    windowStates.erase(entry);
    PostQuit(0);
}
