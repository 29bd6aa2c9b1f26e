// A stand-in user for the Windows program under Wine: plays a script of
// replay steps (tests/programs/replay/replay_steps.h) on the real window, menus and
// modal windows, and logs what it saw. Compiled only into the test build of
// the program.
#pragma once

// Reads the script and starts playing it once the message loop runs.
// commandLine: "SCRIPT LOG", paths without blanks.
void StartScriptDriver(const char* commandLine);
