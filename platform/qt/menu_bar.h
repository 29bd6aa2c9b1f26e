// The menu bar of a window, built from a menu resource.
#pragma once

#include <QAction>
#include <QMenuBar>
#include <string>

#include "platform/resources.h"
#include "platform/types.h"

// Fills the bar with the resource's menus; each item sends MessageCommand
// with its id to the window.
void BuildMenuBar(AppWindow* window, QMenuBar* bar, const MenuResource* resource);

// The item with the given texts (exactly as the resource spells them), or none.
QAction* FindMenuItem(QMenuBar* bar, const char* menuText, const char* itemText);

// One line per item: "menu|item|id"; a separator is "menu|-|0".
std::string DescribeMenuBar(QMenuBar* bar);
