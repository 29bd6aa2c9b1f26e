#include "cli/window/offscreen.h"

#include <cstdlib>

void UseOffscreenToolkit()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_LOGGING_RULES", "*.warning=false", 0);
}
