// The program's resources as plain data: the main menu, the About dialog and
// the main icon. The platform layer builds its toolkit objects from them.
#pragma once

#include "platform/resources.h"
#include "res/resource_ids.h"

extern const MenuResource kMainMenu;
extern const DialogResource kAboutDialog;
extern const IconResource kMainIcon;
