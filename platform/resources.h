// Descriptions of menus, dialogs and icons that the platform builds its
// toolkit objects from. The program's own resources are data in window/res/.
#pragma once

#include <cstdint>

// One entry of a menu, in order. A popup opens a submenu that holds the
// entries after it up to its matching MenuEnd. An ampersand in a text marks
// the mnemonic letter.
enum MenuEntryKind : uint8_t { MenuPopup, MenuItem, MenuSeparator, MenuEnd };

struct MenuEntry {
    MenuEntryKind kind;
    const char* text;
    int commandId;
};

struct MenuResource {
    int id;
    const MenuEntry* entries;
    int entryCount;
};

// A 16-colour picture in XPM form (a C array of strings).
struct IconImage {
    int width;
    int height;
    const char* const* xpm;
};

struct IconResource {
    int id;
    const IconImage* images;
    int imageCount;
};

enum DialogControlKind : uint8_t { ControlIcon, ControlStaticText, ControlDefaultButton };

// Positions and sizes are in dialog units.
struct DialogControl {
    DialogControlKind kind;
    int id;
    int x, y, width, height;
    const char* text;           // the text, or none for an icon
    const IconResource* icon;   // for ControlIcon
};

struct DialogResource {
    int id;
    const char* caption;
    const char* fontName;
    int fontPoints;
    int x, y, width, height;
    const DialogControl* controls;
    int controlCount;
};
