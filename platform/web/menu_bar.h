// The page's menu bar, built from a menu resource.
#pragma once

#include "platform/resources.h"

// Fills the page's menu bar with the resource's menus; choosing an item
// queues its command id for the window.
void BuildPageMenuBar(const MenuResource* resource);
