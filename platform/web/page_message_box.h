// The page's message box as the handler of ShowMessageBox.
#pragma once

#include "platform/types.h"

void ShowPageMessageBox(AppWindow* owner, const char* text, const char* caption);
