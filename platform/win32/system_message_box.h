// The system's message box as the handler of ShowMessageBox.
#pragma once

#include "platform/types.h"

void ShowSystemMessageBox(AppWindow* owner, const char* text, const char* caption);
