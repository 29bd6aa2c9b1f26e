// The temporary files being written, kept where a signal handler can find
// them: a signal that ends the program removes them first, so that no
// hidden file stays beside a target whatever stops the program (short of a
// kill that cannot be caught).
#pragma once

#include <csignal>

// The signals whose default action ends the program, real-time signals
// aside: each one removes the temporary files (SIGKILL cannot be caught).
constexpr int kEndingSignals[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGILL,    SIGTRAP, SIGABRT, SIGBUS,  SIGFPE,
                                  SIGUSR1, SIGSEGV, SIGUSR2, SIGPIPE,   SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU,
                                  SIGXFSZ, SIGVTALRM, SIGPROF, SIGPOLL, SIGPWR,  SIGSYS};

// One temporary file's entry.
struct TemporaryFile;

// Records the path of a temporary file about to be made; none when there is
// no memory for it (the file must not be made then).
TemporaryFile* RecordTemporaryFile(const char* path);

// The file is renamed or removed: the handler must leave its name alone.
void ForgetTemporaryFile(TemporaryFile* file);

// Removes every recorded temporary file, with async-signal-safe calls only:
// for signal handlers.
void RemoveTemporaryFiles();

// Makes each ending signal, and each real-time signal, remove the temporary
// files and then end the program as it would have ended anyway. A signal that is not at its default
// action is left as it is: one the program was started with ignored (nohup,
// a background job) stays ignored, and one it handles itself keeps its
// handler (which calls RemoveTemporaryFiles before it ends the program).
void RemoveTemporaryFilesOnSignals();

// Whether the signal is at its default action, neither ignored nor handled.
bool SignalAtDefault(int signalNumber);
