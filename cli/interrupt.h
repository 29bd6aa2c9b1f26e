// Ctrl-C for the subcommands that run long. The first SIGINT raises a flag
// that the readers and the search check between chunks of work, so that they
// stop, clean up and exit with kExitInterrupted. A second SIGINT, or SIGTERM
// or SIGHUP, leaves at once: the handler removes the registered temporary
// files (with async-signal-safe calls only) and ends the process.
#pragma once

#include <atomic>

void InstallInterruptHandlers();

// Raised by the first SIGINT; handed to the search as its cancel flag.
const std::atomic<bool>& InterruptFlag();
bool Interrupted();

// Temporary files the handler removes when it ends the process. A path is
// copied into fixed storage; registering fails (false) when it is too long
// or every slot is taken. Forget a file once it is renamed or removed.
bool RegisterTemporaryFile(const char* path);
void ForgetTemporaryFile(const char* path);
