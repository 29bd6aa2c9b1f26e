#include "platform/web/menu_bar.h"

#include "platform/web/page_bridge.h"

namespace {

// Adds the entries from index onwards to the open popup up to the MenuEnd
// that closes it, and returns the index after that MenuEnd.
int AddEntries(const MenuResource* resource, int index)
{
    while (index < resource->entryCount) {
        const MenuEntry& entry = resource->entries[index++];
        switch (entry.kind) {
        case MenuEnd:
            return index;
        case MenuSeparator:
            kv_menu_add_separator();
            break;
        case MenuPopup:
            kv_menu_open_popup(entry.text);
            index = AddEntries(resource, index);
            kv_menu_close_popup();
            break;
        case MenuItem:
            kv_menu_add_item(entry.text, entry.commandId);
            break;
        }
    }
    return index;
}

} // namespace

void BuildPageMenuBar(const MenuResource* resource)
{
    int index = 0;
    while (index < resource->entryCount) {
        const MenuEntry& entry = resource->entries[index++];
        if (entry.kind != MenuPopup)
            continue;
        kv_menu_open_popup(entry.text);
        index = AddEntries(resource, index);
        kv_menu_close_popup();
    }
}
