#include "app/commands.h"

#include "app/app_state.h"
#include "app/main_window.h"
#include "display/screen_layout.h"
#include "export/snapshot.h"
#include "platform/memory.h"
#include "platform/window.h"
#include "res/resources.h"
#include "search/subset_search.h"
#include "vectors/noise_generators.h"
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

void SelectNoiseLevel(int32_t index)
{
    appState.noiseLevelIndex = index;
    appState.noiseLevel = appSettings.noiseLevels[index];
}

void BuildNoisySeries(AppWindow* window)
{
    appState.series = BuildVectorSeries(window, appSettings.seriesLength, appSettings.repeatCount,
                                        appState.referenceVector, appState.pickedVectors, appState.series);
    AddSeriesNoise(window, appState.noiseLevel, noiseState, appState.series);
    InvalidatePanel(window, appState.seriesPanelRect);
    InvalidatePanel(window, appState.resultPanelRect);
}

void SearchSeries(AppWindow* window)
{
    if (appState.series)
        appState.centerVector = SearchSimilarSubset(window, appSettings.seriesLength, appSettings.repeatCount,
                                                    appState.dimension, appState.centerVector, appState.series);
    InvalidatePanel(window, appState.resultPanelRect);
}

void Restart(AppWindow* window)
{
    SelectNoiseLevel(appState.initialNoiseLevelIndex);
    appState.pickCount = 0;
    if (appState.pickedVectors)
        appState.pickedVectors->count = 0;
    ClearVectorSeries(window, appState.series);
    if (appState.series)
        appState.series->backgroundGenerated = 0;
    appState.seriesHidden = 1;
    appState.searchDone = 0;
    SendCommand(window, IDM_CREATE_SERIES);
}

} // namespace

void OnCommand(AppWindow* window, int commandId)
{
    switch (commandId) {
    case IDM_ABOUT:
        RunDialogBox(appState.instance, &kAboutDialog, window, AboutDialogProc);
        break;
    case IDM_SAVE_IMAGE:
        MakeSnapshot(window);
        break;
    case IDM_CREATE_SERIES:
    case IDM_REPEAT:
        BuildNoisySeries(window);
        break;
    case IDM_SEARCH:
        SearchSeries(window);
        break;
    default: // IDM_EXIT and every id without an action of its own
        SendAppMessage(window, MessageClose, 0, 0);
        break;
    }
}

void OnLButtonDown(AppWindow* window, int /*doubleClick*/, int32_t x, int32_t y)
{
    const Rect* buttons = appState.buttonRects;
    if (Contains(appState.seriesPanelRect, x, y)) {
        appState.seriesPanelPressed = 1; // the pick happens on release
    } else if (Contains(buttons[RepeatButton], x, y)) {
        appState.searchDone = 0;
        SendCommand(window, IDM_REPEAT);
    } else if (Contains(buttons[NoiseUpButton], x, y)) {
        if (appState.noiseLevelIndex < appSettings.noiseLevelCount - 1)
            SelectNoiseLevel(appState.noiseLevelIndex + 1);
        appState.searchDone = 0;
        SendCommand(window, IDM_REPEAT);
    } else if (Contains(buttons[NoiseDownButton], x, y)) {
        if (appState.noiseLevelIndex > 0)
            SelectNoiseLevel(appState.noiseLevelIndex - 1);
        appState.searchDone = 0;
        SendCommand(window, IDM_REPEAT);
    } else if (Contains(buttons[RestartButton], x, y)) {
        Restart(window);
    } else if (Contains(buttons[SearchButton], x, y) || Contains(appState.resultPanelRect, x, y)) {
        appState.searchDone = 1;
        SendCommand(window, IDM_SEARCH);
    } else if (Contains(buttons[ExitButton], x, y)) {
        SendCommand(window, IDM_EXIT);
    }
}

void OnLButtonUp(AppWindow* window, int32_t x, int32_t y)
{
    if (!appState.seriesPanelPressed)
        return;
    appState.seriesPanelPressed = 0;
    if (!Contains(appState.seriesPanelRect, x, y))
        return;
    if (appState.pickCount >= appSettings.maxPicks)
        return; // further picks wait for a Restart
    appState.pickCount = appState.pickCount + 1;
    appState.initialVector = ClickToVector(window, appState.seriesPanelRect, x, y, appSettings.coordinateRange,
                                           appState.dimension, appState.initialVector);
    // The number of the pick is the identity its copies carry in the series.
    appState.pickedVectors = AppendVector(window, appState.dimension, appSettings.pickCapacity, appState.pickCount,
                                          appState.initialVector, appState.pickedVectors);
    appState.seriesHidden = 0;
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
