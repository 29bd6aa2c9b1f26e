// The texts the client area shows, kept beside its picture: a canvas is a
// picture to the browser, so the page lists them for screen readers and
// anyone else who cannot see it. A text stays listed until the area it was
// drawn in is erased or drawn over by other text.
#include <algorithm>

#include "platform/web/page_bridge.h"
#include "platform/web/web_records.h"

namespace {

bool Overlap(const Rect& a, const Rect& b)
{
    return std::max(a.left, b.left) < std::min(a.right, b.right) && std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

} // namespace

void ForgetTextsIn(AppWindow* window, const Rect& area)
{
    std::erase_if(window->texts, [&](const ShownText& shown) { return Overlap(shown.cell, area); });
}

void NoteShownText(AppWindow* window, const Rect& cell, const char* text, int32_t length)
{
    ForgetTextsIn(window, cell);
    window->texts.push_back({cell, std::string(text, std::size_t(length))});
}

// Top to bottom, then left to right; the page hears of a change only.
void PublishShownTexts(AppWindow* window)
{
    std::vector<const ShownText*> order;
    for (const ShownText& shown : window->texts)
        order.push_back(&shown);
    std::stable_sort(order.begin(), order.end(), [](const ShownText* a, const ShownText* b) {
        return a->cell.top != b->cell.top ? a->cell.top < b->cell.top : a->cell.left < b->cell.left;
    });
    std::string lines;
    for (const ShownText* shown : order)
        lines += shown->text + "\n";
    if (lines == window->textsShown)
        return;
    window->textsShown = lines;
    kv_set_shown_text(lines.c_str());
}
