// A menu resource as the tree of the menu bar it describes, for the backends
// that build their own menu bars (Qt and the web page).
#pragma once

#include <vector>

#include "platform/resources.h"

// A menu, an item or a separator.
struct MenuNode {
    MenuEntryKind kind;            // MenuPopup, MenuItem or MenuSeparator
    const char* text;
    int commandId;                 // items
    std::vector<MenuNode> entries; // a menu's own, in order
};

// The bar's menus, in order: the resource's popups at its top level with
// what each holds. Anything else at the top level has no place on a bar and
// is passed over.
std::vector<MenuNode> MenuBarOf(const MenuResource* resource);
