// The cost of the drawing primitives a paint is made of, on a 1920 x 1080
// client image of the offscreen platform.
#include <benchmark/benchmark.h>

#include "platform/drawing.h"
#include "platform/testing.h"
#include "platform/window.h"

namespace {

intptr_t PlainProc(AppWindow* window, uint32_t message, uintptr_t p1, intptr_t p2)
{
    return DefaultWindowProc(window, message, p1, p2);
}

AppWindow* BenchWindow()
{
    static AppWindow* window = nullptr;
    if (window)
        return window;
    EnsurePlatformStarted();
    static const WindowKind kind = {"PlatformDrawingBench", PlainProc, nullptr, false, false};
    RegisterWindowKind(&kind);
    window = CreateAppWindow(CurrentInstance(), "PlatformDrawingBench", "bench");
    UserResizeClient(window, 1920, 1080);
    PumpMessages();
    return window;
}

void BM_FillWholeClient(benchmark::State& state)
{
    AppWindow* window = BenchWindow();
    DrawSurface* surface = OpenWindowSurface(window);
    PaintObject* brush = CreateBrushOfColor(MakeColor(235, 240, 225));
    PaintObject* previous = SelectPaintObject(surface, brush);
    for (auto _ : state)
        PaintRectangle(surface, 0, 0, 1920, 1080);
    SelectPaintObject(surface, previous);
    DeletePaintObject(brush);
    CloseWindowSurface(window, surface);
}
BENCHMARK(BM_FillWholeClient);

// A thousand dots of radius 4, as a panel draws a series.
void BM_ThousandDots(benchmark::State& state)
{
    AppWindow* window = BenchWindow();
    DrawSurface* surface = OpenWindowSurface(window);
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            const int32_t x = 20 + (i * 37) % 900;
            const int32_t y = 20 + (i * 53) % 900;
            PaintEllipse(surface, x - 4, y - 3, x + 4, y + 5);
        }
    }
    CloseWindowSurface(window, surface);
}
BENCHMARK(BM_ThousandDots);

void BM_TextLine(benchmark::State& state)
{
    AppWindow* window = BenchWindow();
    DrawSurface* surface = OpenWindowSurface(window);
    static const char kLine[] = "subset center (55,37)";
    for (auto _ : state)
        PaintText(surface, 100, 100, kLine, int32_t(sizeof kLine - 1));
    CloseWindowSurface(window, surface);
}
BENCHMARK(BM_TextLine);

// The whole client area invalidated, erased and painted by a procedure that draws nothing.
void BM_EraseAndPaintCycle(benchmark::State& state)
{
    AppWindow* window = BenchWindow();
    for (auto _ : state) {
        InvalidateArea(window, nullptr, true);
        UpdateAppWindow(window);
    }
}
BENCHMARK(BM_EraseAndPaintCycle);

} // namespace

BENCHMARK_MAIN();
