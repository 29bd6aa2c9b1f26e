// The toolkit's message box as the handler of ShowMessageBox.
#pragma once

#include "platform/types.h"

void ShowToolkitMessageBox(AppWindow* owner, const char* text, const char* caption);
