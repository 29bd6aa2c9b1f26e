// Start-up on the Qt backend: what must be in place before the program's
// first window (a display, the signals' clean-up, the toolkit's application
// object, its message box).
#pragma once

// Runs program with the arguments after the program's name, joined by
// blanks, once the toolkit is ready, and returns its exit code; returns 2
// with one line on standard error when there is no display to show it on.
int RunWithToolkit(int argc, char** argv, int (*program)(const char* commandLine));
