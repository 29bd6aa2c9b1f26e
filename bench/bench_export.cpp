// Snapshots of a 1920 x 1080 main window, painted after a pick and a search,
// saved as BMP and as PCX through the Save image command.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/app_state.h"
#include "app/main_window.h"
#include "export/pcx_writer.h"
#include "export/snapshot.h"
#include "platform/drawing.h"
#include "platform/message_box.h"
#include "platform/save_dialog.h"
#include "platform/testing.h"
#include "platform/window.h"

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;

std::string chosenPath;

SaveFileResult ChoosePath(SaveFileRequest* request)
{
    std::snprintf(request->fileName, request->fileNameSize, "%s", chosenPath.c_str());
    return SaveFileConfirmed;
}

void Click(AppWindow* window, int32_t x, int32_t y)
{
    UserPress(window, x, y);
    UserRelease(window, x, y);
    PumpMessages();
}

// The program's window at full-HD size showing a series and its search result.
AppWindow* PaintedMainWindow()
{
    static AppWindow* window = nullptr;
    if (window)
        return window;
    EnsurePlatformStarted();
    SetMessageBoxHandler([](AppWindow*, const char* text, const char* caption) {
        std::fprintf(stderr, "%s: %s\n", caption, text);
    });
    SetSaveFileDialogHandler(ChoosePath);
    RegisterMainWindowClass(CurrentInstance());
    window = CreateMainWindow(CurrentInstance(), 0);
    UserResizeClient(window, kWidth, kHeight);
    PumpMessages();
    const AppState& shown = *MainWindowState(window);
    const Rect& panel = shown.seriesPanelRect;
    Click(window, (panel.left + panel.right) / 2 + 40, (panel.top + panel.bottom) / 2 - 30);
    const Rect& search = shown.buttonRects[SearchButton];
    Click(window, (search.left + search.right) / 2, (search.top + search.bottom) / 2);
    return window;
}

void SaveSnapshot(benchmark::State& state, const char* path)
{
    AppWindow* window = PaintedMainWindow();
    Rect client = GetClientArea(window);
    if (client.right != kWidth || client.bottom != kHeight) {
        state.SkipWithError("the client area did not take the full-HD size");
        return;
    }
    chosenPath = path;
    char fileName[256];
    for (auto _ : state)
        MakeSnapshot(window, fileName, sizeof fileName);
    std::remove(path);
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_BmpSnapshot(benchmark::State& state) { SaveSnapshot(state, "/tmp/kv_bench_snapshot.bmp"); }
void BM_PcxSnapshot(benchmark::State& state) { SaveSnapshot(state, "/tmp/kv_bench_snapshot.pcx"); }

// The pixel-by-pixel reading and encoding alone, without the capture.
void BM_PcxWriter(benchmark::State& state)
{
    AppWindow* window = PaintedMainWindow();
    const char* path = "/tmp/kv_bench_writer.pcx";
    DrawSurface* surface = OpenWindowSurface(window);
    for (auto _ : state)
        benchmark::DoNotOptimize(WritePcxFile(window, path, surface));
    CloseWindowSurface(window, surface);
    std::remove(path);
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

}

BENCHMARK(BM_BmpSnapshot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PcxSnapshot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PcxWriter)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
