// The exit codes of every kvs subcommand, defined once.
#pragma once

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;      // something failed while running: a write, memory, an overflow
constexpr int kExitUsage = 2;        // bad arguments or bad input; nothing was done
constexpr int kExitInterrupted = 130;  // Ctrl-C: stopped and cleaned up (128 + SIGINT)
