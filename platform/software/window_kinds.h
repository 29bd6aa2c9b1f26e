// The window kinds registered so far, for the backends that dispatch
// messages to the window procedures themselves (RegisterWindowKind, of
// platform/window.h, fills the table).
#pragma once

#include "platform/window.h"

// The registered kind of that name, or none.
const WindowKind* FindWindowKind(const char* name);
