// The texts the client area shows, kept beside its picture: a canvas is a
// picture to the browser, so the page lists them for screen readers and
// anyone else who cannot see it. A text stays listed until the area it was
// drawn in is erased or drawn over by other text. The list keeps the order
// the program draws in (the title, the buttons, the left panel, the right
// one): a text drawn again takes the place of those it replaces.
#include <algorithm>

#include "platform/web/page_bridge.h"
#include "platform/web/web_records.h"

namespace {

bool Overlap(const Rect& a, const Rect& b)
{
    return std::max(a.left, b.left) < std::min(a.right, b.right) &&
           std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

} // namespace

void BeginTextsOfPaint(AppWindow* window)
{
    window->textsInsertAt = window->texts.size();
}

void ForgetTextsIn(AppWindow* window, const Rect& area)
{
    std::vector<ShownText>& texts = window->texts;
    for (std::size_t i = 0; i < texts.size();) {
        if (!Overlap(texts[i].cell, area)) {
            ++i;
            continue;
        }
        texts.erase(texts.begin() + std::ptrdiff_t(i));
        if (window->textsInsertAt > i)
            window->textsInsertAt = i;
    }
    window->textsInsertAt = std::min(window->textsInsertAt, texts.size());
}

void NoteShownText(AppWindow* window, const Rect& cell, const char* text, int32_t length)
{
    ForgetTextsIn(window, cell);
    window->texts.insert(window->texts.begin() + std::ptrdiff_t(window->textsInsertAt),
                         {cell, std::string(text, std::size_t(length))});
    ++window->textsInsertAt;
}

// The page hears of a change only.
void PublishShownTexts(AppWindow* window)
{
    std::string lines;
    for (const ShownText& shown : window->texts)
        lines += shown.text + "\n";
    if (lines == window->textsShown)
        return;
    window->textsShown = lines;
    kv_set_shown_text(lines.c_str());
}
