// Modal message boxes with a single OK button.
#pragma once

#include "platform/types.h"

// Shows text in a modal box owned by owner (none for no owner) and returns
// when the user has closed it. A caption of none shows the platform's
// default caption, "Error".
void ShowMessageBox(AppWindow* owner, const char* text, const char* caption);

// The function that actually shows the box. The windowed program installs the
// toolkit's box at start-up; tests install a recorder so nothing modal blocks.
// Returns the handler it replaces. With no handler the text goes to stderr.
using MessageBoxHandler = void (*)(AppWindow* owner, const char* text, const char* caption);
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

constexpr const char* kDefaultMessageCaption = "Error";
