// The cost of painting the main window and of answering one press on Search,
// on the offscreen platform with a 1920 x 1080 client, a built series and a
// search result.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "app/app_state.h"
#include "app/main_window.h"
#include "platform/drawing.h"
#include "platform/testing.h"
#include "platform/window.h"

namespace {

AppWindow* OpenSearchedWindow()
{
    static AppWindow* window = nullptr;
    if (window)
        return window;
    EnsurePlatformStarted();
    RegisterMainWindowClass(CurrentInstance());
    window = CreateMainWindow(CurrentInstance(), 0);
    UserResizeClient(window, 1920, 1080);
    PumpMessages();

    const AppState& shown = *MainWindowState(window);
    const Rect& panel = shown.seriesPanelRect;
    const int32_t x = panel.left + 3 * (panel.right - panel.left) / 4;
    const int32_t y = panel.top + (panel.bottom - panel.top) / 3;
    UserPress(window, x, y);
    UserRelease(window, x, y);
    const Rect& up = shown.buttonRects[NoiseUpButton];
    UserPress(window, (up.left + up.right) / 2, (up.top + up.bottom) / 2); // some noise to spread the copies
    UserRelease(window, (up.left + up.right) / 2, (up.top + up.bottom) / 2);
    const Rect& search = shown.buttonRects[SearchButton];
    UserPress(window, (search.left + search.right) / 2, (search.top + search.bottom) / 2);
    UserRelease(window, (search.left + search.right) / 2, (search.top + search.bottom) / 2);
    PumpMessages();
    return window;
}

void BM_PaintFullClient(benchmark::State& state)
{
    AppWindow* window = OpenSearchedWindow();
    if (!MainWindowState(window)->series || !MainWindowState(window)->searchDone) {
        state.SkipWithError("no series with a search result to paint");
        return;
    }
    for (auto _ : state) {
        InvalidateArea(window, nullptr, true);
        UpdateAppWindow(window);
    }
    const Rect client = GetClientArea(window);
    state.counters["width"] = client.right;
    state.counters["height"] = client.bottom;
}
BENCHMARK(BM_PaintFullClient)->Unit(benchmark::kMillisecond);

// From the press on Search through the search to the repainted client image.
void BM_SearchPressToRepaint(benchmark::State& state)
{
    AppWindow* window = OpenSearchedWindow();
    const Rect& search = MainWindowState(window)->buttonRects[SearchButton];
    const int32_t x = (search.left + search.right) / 2;
    const int32_t y = (search.top + search.bottom) / 2;
    for (auto _ : state) {
        UserPress(window, x, y);
        UserRelease(window, x, y);
        PumpMessages();
    }
    if (MainWindowState(window)->series->centerIndex < 1)
        state.SkipWithError("the search found no centre");
}
BENCHMARK(BM_SearchPressToRepaint)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
