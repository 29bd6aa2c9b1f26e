// Ctrl-C for the subcommands that run long. The first SIGINT raises a flag
// that the readers and the search check between chunks of work, so that they
// stop, clean up and exit with kExitInterrupted. A second SIGINT leaves at
// once; so does the first one for work that never looks at the flag. Every
// signal that ends kvs (SIGTERM, SIGHUP and the like) removes the output's
// temporary files first, with async-signal-safe calls only. A signal that
// kvs was started with ignored (nohup, a background job) stays ignored.
#pragma once

#include <atomic>

void InstallInterruptHandlers();

// Raised by the first SIGINT; handed to the search as its cancel flag.
const std::atomic<bool>& InterruptFlag();
bool Interrupted();

// For work that does not look at the flag (the window's replay): from now on
// the first SIGINT ends kvs at once, as a second one does, with
// "kvs: interrupted" and kExitInterrupted.
void EndAtOnceOnInterrupt();
