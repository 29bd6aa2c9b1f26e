#include "platform/posix/close_failure.h"

// The shipped program's closes fail only when the system says so.
bool CloseFailureForced() { return false; }
