#include "app/commands.h"

#include "app/app_state.h"
#include "app/main_window.h"
#include "display/screen_layout.h"
#include "export/snapshot.h"
#include "platform/memory.h"
#include "platform/window.h"
#include "res/resources.h"
#include "search/subset_search.h"
#include "vectors/series_builder.h"
#include "vectors/vector_containers.h"
#include "vectors/vector_series.h"

namespace {

bool Contains(const Rect& r, int32_t x, int32_t y)
{
    return r.left <= x && x <= r.right && r.top <= y && y <= r.bottom;
}

// Our rectangles hold both edges; the platform takes right and bottom exclusive.
void InvalidatePanel(AppWindow* window, const Rect& panel)
{
    const Rect area = {panel.left, panel.top, panel.right + 1, panel.bottom + 1};
    InvalidateArea(window, &area, true);
}

void SendCommand(AppWindow* window, int commandId)
{
    SendAppMessage(window, MessageCommand, uintptr_t(commandId), 0);
}

void SelectNoiseLevel(AppState& state, int32_t index)
{
    state.noiseLevelIndex = index;
    state.noiseLevel = appSettings.noiseLevels[index];
}

void RebuildSeries(AppWindow* window, AppState& state)
{
    state.series = BuildNoisySeries(window, appSettings.seriesLength, appSettings.repeatCount, state.referenceVector,
                                    state.pickedVectors, state.noiseLevel, state.generators, state.series);
    InvalidatePanel(window, state.seriesPanelRect);
    InvalidatePanel(window, state.resultPanelRect);
}

void SearchSeries(AppWindow* window, AppState& state)
{
    if (state.series)
        state.centerVector = SearchSimilarSubset(window, appSettings.seriesLength, appSettings.repeatCount,
                                                    state.dimension, state.centerVector, state.series);
    InvalidatePanel(window, state.resultPanelRect);
}

void Restart(AppWindow* window, AppState& state)
{
    SelectNoiseLevel(state, state.initialNoiseLevelIndex);
    state.pickCount = 0;
    if (state.pickedVectors)
        state.pickedVectors->count = 0;
    ClearVectorSeries(window, state.series);
    if (state.series)
        state.series->backgroundGenerated = 0;
    state.seriesHidden = 1;
    state.searchDone = 0;
    SendCommand(window, IDM_CREATE_SERIES);
}

} // namespace

void OnCommand(AppWindow* window, AppState& state, int commandId)
{
    switch (commandId) {
    case IDM_ABOUT:
        RunDialogBox(state.instance, &kAboutDialog, window, AboutDialogProc);
        break;
    case IDM_SAVE_IMAGE:
        MakeSnapshot(window, state.fileName, sizeof state.fileName);
        break;
    case IDM_CREATE_SERIES:
    case IDM_REPEAT:
        RebuildSeries(window, state);
        break;
    case IDM_SEARCH:
        SearchSeries(window, state);
        break;
    default: // IDM_EXIT and every id without an action of its own
        SendAppMessage(window, MessageClose, 0, 0);
        break;
    }
}

void OnLButtonDown(AppWindow* window, AppState& state, int /*doubleClick*/, int32_t x, int32_t y)
{
    const Rect* buttons = state.buttonRects;
    if (Contains(state.seriesPanelRect, x, y)) {
        state.seriesPanelPressed = 1; // the pick happens on release
    } else if (Contains(buttons[RepeatButton], x, y)) {
        state.searchDone = 0;
        SendCommand(window, IDM_REPEAT);
    } else if (Contains(buttons[NoiseUpButton], x, y)) {
        if (state.noiseLevelIndex < appSettings.noiseLevelCount - 1)
            SelectNoiseLevel(state, state.noiseLevelIndex + 1);
        state.searchDone = 0;
        SendCommand(window, IDM_REPEAT);
    } else if (Contains(buttons[NoiseDownButton], x, y)) {
        if (state.noiseLevelIndex > 0)
            SelectNoiseLevel(state, state.noiseLevelIndex - 1);
        state.searchDone = 0;
        SendCommand(window, IDM_REPEAT);
    } else if (Contains(buttons[RestartButton], x, y)) {
        Restart(window, state);
    } else if (Contains(buttons[SearchButton], x, y) || Contains(state.resultPanelRect, x, y)) {
        state.searchDone = 1;
        SendCommand(window, IDM_SEARCH);
    } else if (Contains(buttons[ExitButton], x, y)) {
        SendCommand(window, IDM_EXIT);
    }
}

void OnLButtonUp(AppWindow* window, AppState& state, int32_t x, int32_t y)
{
    if (!state.seriesPanelPressed)
        return;
    state.seriesPanelPressed = 0;
    if (!Contains(state.seriesPanelRect, x, y))
        return;
    if (state.pickCount >= appSettings.maxPicks)
        return; // further picks wait for a Restart
    state.pickCount = state.pickCount + 1;
    state.initialVector = ClickToVector(window, state.seriesPanelRect, x, y, appSettings.coordinateRange,
                                           state.dimension, state.initialVector);
    // The number of the pick is the identity its copies carry in the series.
    state.pickedVectors = AppendVector(window, state.dimension, appSettings.pickCapacity, state.pickCount,
                                          state.initialVector, state.pickedVectors);
    state.seriesHidden = 0;
    SendCommand(window, IDM_CREATE_SERIES);
}

int32_t* ClickToVector(AppWindow* /*window*/, Rect panel, int32_t x, int32_t y, int32_t range, int32_t dimension,
                       int32_t* output)
{
    // Two entries are always written, so a new array has room for two whatever the dimension.
    if (!output)
        output = static_cast<int32_t*>(AllocateZeroed(sizeof(int32_t) * size_t(dimension < 2 ? 2 : dimension)));
    if (!output)
        return nullptr;
    const int32_t cx = (panel.left + panel.right) / 2;
    const int32_t cy = (panel.top + panel.bottom) / 2;
    const int32_t w = panel.right - panel.left + 1;
    const int32_t h = panel.bottom - panel.top + 1;
    output[0] = ((x - cx) * (2 * range)) / w;
    output[1] = ((cy - y) * (2 * range)) / h; // y points up in the vector plane
    return output;
}

void OnKeyDown(AppWindow* window, int keyCode)
{
    if (keyCode == 0 || keyCode == 1)
        InvalidateArea(window, nullptr, true);
}

void OnMouseMove(AppWindow* /*window*/, int32_t /*x*/, int32_t /*y*/) {}
