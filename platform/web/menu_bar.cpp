#include "platform/web/menu_bar.h"

#include "platform/software/menu_layout.h"
#include "platform/web/page_bridge.h"

namespace {

// Adds the entries to the open popup; a menu among them is a popup of its own.
void AddEntries(const std::vector<MenuNode>& entries)
{
    for (const MenuNode& entry : entries) {
        if (entry.kind == MenuSeparator) {
            kv_menu_add_separator();
        } else if (entry.kind == MenuPopup) {
            kv_menu_open_popup(entry.text);
            AddEntries(entry.entries);
            kv_menu_close_popup();
        } else {
            kv_menu_add_item(entry.text, entry.commandId);
        }
    }
}

} // namespace

// The bar's menus are popups at its top level.
void BuildPageMenuBar(const MenuResource* resource)
{
    AddEntries(MenuBarOf(resource));
}
