// Windows on the page, invalidation and painting. The page holds one client
// area: every window fills it.
#include <emscripten.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/web/menu_bar.h"
#include "platform/web/page_bridge.h"
#include "platform/web/web_records.h"

EM_ASYNC_JS(void, kv_yield_to_page, (), { await new Promise((resolve) => setTimeout(resolve, 0)); });

namespace {

// Invalid rectangles kept apart before they are joined into their bounding
// box: a paint then covers more than asked, which the program draws the same.
constexpr std::size_t kMostInvalidRects = 16;

const uint32_t kWhiteWord = WordOfColor(MakeColor(255, 255, 255), OrderRgba);

// Every window made. A destroyed window's record stays as a tombstone so
// that handles still held by callers up the stack are recognised, never read
// after being freed.
std::vector<std::unique_ptr<AppWindow>>& Windows()
{
    static std::vector<std::unique_ptr<AppWindow>> windows;
    return windows;
}

bool Intersect(const Rect& a, const Rect& b, Rect* both)
{
    *both = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
             std::min(a.bottom, b.bottom)};
    return both->left < both->right && both->top < both->bottom;
}

bool Covers(const Rect& outer, const Rect& inner)
{
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
           outer.bottom >= inner.bottom;
}

void AddInvalid(AppWindow* window, const Rect& part)
{
    std::vector<Rect>& invalid = window->invalid;
    for (const Rect& r : invalid) {
        if (Covers(r, part))
            return;
    }
    std::erase_if(invalid, [&](const Rect& r) { return Covers(part, r); });
    invalid.push_back(part);
    if (invalid.size() > kMostInvalidRects)
        invalid = {BoundingBox(invalid)};
}

// The page's client area, as last read: it changes only when the page says
// so (PageResized) or when the page's own layout changes (a menu bar built).
struct ClientSize {
    int32_t width = 0;
    int32_t height = 0;
};

ClientSize& PageClientSize()
{
    static ClientSize size;
    return size;
}

void ReadPageClientSize()
{
    int32_t size[2] = {0, 0};
    kv_client_size(size);
    PageClientSize() = {std::max(size[0], 0), std::max(size[1], 0)};
}

} // namespace

Rect BoundingBox(const std::vector<Rect>& rects)
{
    Rect box = rects.front();
    for (const Rect& r : rects)
        box = {std::min(box.left, r.left), std::min(box.top, r.top), std::max(box.right, r.right),
               std::max(box.bottom, r.bottom)};
    return box;
}

WindowRecord* RecordOf(AppWindow* window)
{
    return window;
}

AppWindow* MakeAppWindow(const WindowKind& kind, const char* title)
{
    AppWindow* window = Windows().emplace_back(std::make_unique<AppWindow>(kind, title)).get();
    kv_set_title(window->title.c_str());
    if (window->kind.menu)
        BuildPageMenuBar(window->kind.menu);
    ReadPageClientSize();
    FitClientImage(window);
    return window;
}

void ReleaseAppWindow(AppWindow* window)
{
    window->pixels = {};
    window->image = {};
    window->invalid.clear();
    if (!InputWindow())
        kv_window_closed(); // the page's last window
}

// The page's client area fills the browser's window, which is as maximised
// as a page gets: the window only takes the area's size.
void ShowWindowMaximized(AppWindow* window)
{
    if (!WindowIsLive(window))
        return;
    FitClientImage(window);
    InvalidateArea(window, nullptr, true);
}

// The window's making, its pixels' making and its first paint each get a
// task of their own (the browser has its turn between them), so that no
// task of the page's start-up does more than one of them.
void UpdateAppWindow(AppWindow* window)
{
    if (!WindowIsLive(window))
        return;
    kv_yield_to_page();
    FitClientImage(window);
    ProvidePixels(window);
    kv_yield_to_page();
    FitClientImage(window);
    PaintInvalidArea(window);
}

void InvalidateArea(AppWindow* window, const Rect* area, bool erase)
{
    if (!WindowIsLive(window))
        return;
    FitClientImage(window);
    const Rect whole = {0, 0, window->image.width, window->image.height};
    Rect part = whole;
    // A rectangle with its edges crossed, or none between them, is empty.
    if (area && (area->right <= area->left || area->bottom <= area->top))
        return;
    if (area && !Intersect(*area, whole, &part))
        return;
    AddInvalid(window, part);
    window->eraseWanted = window->eraseWanted || erase;
}

Rect GetClientArea(AppWindow* window)
{
    if (!WindowIsLive(window))
        return {0, 0, 0, 0};
    FitClientImage(window);
    return {0, 0, window->image.width, window->image.height};
}

void FitClientImage(AppWindow* window)
{
    const int32_t width = PageClientSize().width;
    const int32_t height = PageClientSize().height;
    const int32_t oldWidth = window->image.width;
    const int32_t oldHeight = window->image.height;
    if (width == oldWidth && height == oldHeight)
        return;
    window->image = {nullptr, width, height, width, OrderRgba};
    if (!window->pixels.empty()) {
        std::vector<uint32_t> pixels(std::size_t(width) * std::size_t(height), kWhiteWord);
        for (int32_t y = 0; y < std::min(height, oldHeight); ++y)
            std::copy_n(window->pixels.begin() + std::ptrdiff_t(y) * oldWidth, std::min(width, oldWidth),
                        pixels.begin() + std::ptrdiff_t(y) * width);
        window->pixels = std::move(pixels);
        window->image.words = window->pixels.data();
    }
    const Rect whole = {0, 0, width, height};
    std::vector<Rect> kept;
    for (const Rect& r : window->invalid) {
        Rect inside;
        if (Intersect(r, whole, &inside))
            kept.push_back(inside);
    }
    window->invalid = kept;
    if (window->kind.redrawOnResize) {
        InvalidateArea(window, nullptr, true);
        return;
    }
    // The strips that are new, right of and below the old image.
    const Rect right = {oldWidth, 0, width, height};
    const Rect below = {0, oldHeight, width, height};
    for (const Rect& strip : {right, below}) {
        if (strip.left < strip.right && strip.top < strip.bottom)
            InvalidateArea(window, &strip, true);
    }
}

// A window's pixels are made when it is first drawn on: making them is
// most of the work of a window's making, and a page that starts shows its
// window in as short tasks as it can.
void ProvidePixels(AppWindow* window)
{
    if (window->image.words || window->image.width == 0 || window->image.height == 0)
        return;
    window->pixels.assign(std::size_t(window->image.width) * std::size_t(window->image.height), kWhiteWord);
    window->image.words = window->pixels.data();
}

void FitAllWindows()
{
    ReadPageClientSize();
    for (const auto& window : Windows()) {
        if (WindowIsLive(window.get()))
            FitClientImage(window.get());
    }
}

AppWindow* InputWindow()
{
    for (auto it = Windows().rbegin(); it != Windows().rend(); ++it) {
        if (WindowIsLive(it->get()))
            return it->get();
    }
    return nullptr;
}

void PaintInvalidArea(AppWindow* window)
{
    if (window->invalid.empty())
        return;
    if (!SendPaintMessage(window))
        return;
    window->invalid.clear();
    window->eraseWanted = false;
}

bool PaintWaitingWindows()
{
    bool painted = false;
    // By index: a paint may make windows.
    for (std::size_t i = 0; i < Windows().size(); ++i) {
        AppWindow* window = Windows()[i].get();
        if (WindowIsLive(window) && !window->invalid.empty()) {
            PaintInvalidArea(window);
            painted = true;
        }
    }
    return painted;
}

// The client image's words are the canvas's red, green, blue and alpha
// bytes: the page takes the block straight from them.
void ShowClientImage(AppWindow* window, Rect block)
{
    if (!WindowIsLive(window))
        return;
    const PixelImage& image = window->image;
    if (!image.words || !Intersect(block, {0, 0, image.width, image.height}, &block))
        return;
    kv_present(image.words, image.width, image.height, block.left, block.top, block.right - block.left,
               block.bottom - block.top);
}
