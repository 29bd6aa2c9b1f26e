#include "platform/software/menu_layout.h"

namespace {

// Adds the entries from index onwards to entries up to the MenuEnd that
// closes their menu, and returns the index after that MenuEnd.
int AddEntries(const MenuResource* resource, int index, std::vector<MenuNode>& entries)
{
    while (index < resource->entryCount) {
        const MenuEntry& entry = resource->entries[index++];
        if (entry.kind == MenuEnd)
            return index;
        entries.push_back({entry.kind, entry.text, entry.commandId, {}});
        if (entry.kind == MenuPopup)
            index = AddEntries(resource, index, entries.back().entries);
    }
    return index;
}

} // namespace

std::vector<MenuNode> MenuBarOf(const MenuResource* resource)
{
    std::vector<MenuNode> menus;
    int index = 0;
    while (index < resource->entryCount) {
        const MenuEntry& entry = resource->entries[index++];
        if (entry.kind != MenuPopup)
            continue;
        menus.push_back({entry.kind, entry.text, entry.commandId, {}});
        index = AddEntries(resource, index, menus.back().entries);
    }
    return menus;
}
