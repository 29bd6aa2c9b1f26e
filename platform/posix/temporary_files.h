// The temporary files being written, kept where a signal handler can find
// them: a signal that ends the program removes them first, so that no
// hidden file stays beside a target whatever stops the program (short of a
// kill that cannot be caught).
#pragma once

#include <csignal>

// The signals that end a program when it does not handle them, and that a
// user, a terminal or the system sends: each one removes the temporary files.
constexpr int kEndingSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGTERM, SIGXCPU, SIGXFSZ};

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

// Makes each ending signal remove the temporary files and then end the
// program as it would have ended anyway. A signal that is not at its default
// action is left as it is: one the program was started with ignored (nohup,
// a background job) stays ignored, and one it handles itself keeps its
// handler (which calls RemoveTemporaryFiles before it ends the program).
void RemoveTemporaryFilesOnSignals();

// Whether the signal is at its default action, neither ignored nor handled.
bool SignalAtDefault(int signalNumber);
