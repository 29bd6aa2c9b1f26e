#include "app/app_state.h"

#include "platform/window.h"
#include "vectors/vector_containers.h"
#include "vectors/vector_series.h"

AppState appState;

int InitAppState(AppWindow* window)
{
    appState.font = StockBodyFont();

    if (appState.noiseLevelIndex < 0)
        appState.noiseLevelIndex = 0;
    if (appState.noiseLevelIndex >= appSettings.noiseLevelCount)
        appState.noiseLevelIndex = 0;
    appState.noiseLevel = appSettings.noiseLevels[appState.noiseLevelIndex];

    appState.dimension = appSettings.defaultDimension;
    appState.vectorValue = 1;
    appState.initialCoordinate = appSettings.defaultCoordinate;

    // Failures are reported by the containers themselves; start-up goes on
    // with none in the field concerned.
    appState.initialVector =
        CreateIntArray(window, appState.dimension, appState.initialCoordinate, appState.initialVector);
    appState.referenceVector = CreateVectorHeader(window, appState.dimension, appState.vectorValue,
                                                  appState.initialVector, appState.referenceVector);
    appState.centerVector = CreateVectorHeader(window, appState.dimension, appState.vectorValue,
                                               appState.initialVector, appState.centerVector);
    appState.pickedVectors =
        CreateVectorsArrayHeader(window, appState.dimension, appSettings.pickCapacity, appState.pickedVectors);
    return 1;
}

void FreeAppState(AppWindow* window)
{
    // Between paints the font is the platform's stock font, which deleting leaves alone.
    if (appState.font)
        DeletePaintObject(appState.font);
    appState.referenceVector = FreeVectorHeader(window, appState.referenceVector);
    appState.initialVector = FreeIntArray(window, appState.initialVector);
    appState.series = FreeVectorSeriesHeader(window, appState.series);
    appState.centerVector = FreeVectorHeader(window, appState.centerVector);
    appState.pickedVectors = FreeVectorsArrayHeader(window, appState.pickedVectors);
    PostQuit(0);
}
