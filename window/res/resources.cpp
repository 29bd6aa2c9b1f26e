#include "res/resources.h"

#include <iterator>

#include "res/main_icon_16.xpm"
#include "res/main_icon_32.xpm"

namespace {

constexpr MenuEntry kMainMenuEntries[] = {
    {MenuPopup, "&File", 0},
    {MenuItem, " Save image as...", IDM_SAVE_IMAGE},
    {MenuSeparator, nullptr, 0},
    {MenuItem, " E&xit", IDM_EXIT},
    {MenuEnd, nullptr, 0},
    {MenuPopup, " Processing", 0},
    {MenuItem, " Create vector series", IDM_CREATE_SERIES},
    {MenuItem, " Repeat", IDM_REPEAT},
    {MenuItem, " Search", IDM_SEARCH},
    {MenuEnd, nullptr, 0},
    {MenuPopup, "&Help", 0},
    {MenuItem, "&About ...", IDM_ABOUT},
    {MenuEnd, nullptr, 0},
};

constexpr IconImage kMainIconImages[] = {
    {32, 32, main_icon_32},
    {16, 16, main_icon_16},
};

// The About dialog's controls: its id, then position and size in dialog units.
constexpr int kIconControlId = 2;
constexpr int kStaticTextId = -1;
constexpr int kOkButtonId = 1;

} // namespace

const MenuResource kMainMenu = {IDM_MAINMENU, kMainMenuEntries, int(std::size(kMainMenuEntries))};

const IconResource kMainIcon = {IDI_MAINICON, kMainIconImages, int(std::size(kMainIconImages))};

namespace {

const DialogControl kAboutControls[] = {
    {ControlIcon, kIconControlId, 14, 9, 16, 16, nullptr, &kMainIcon},
    {ControlStaticText, kStaticTextId, 49, 10, 119, 8, "Kestrand Version 1.0", nullptr},
    {ControlDefaultButton, kOkButtonId, 195, 6, 30, 11, "OK", nullptr},
};

} // namespace

const DialogResource kAboutDialog = {IDD_ABOUTBOX, "About", "System", 8, 22, 17, 230, 75,
                                     kAboutControls, int(std::size(kAboutControls))};
