#include "cli/interrupt.h"

#include <signal.h>
#include <unistd.h>

#include "cli/exit_codes.h"
#include "platform/posix/temporary_files.h"

namespace {
static_assert(std::atomic<bool>::is_always_lock_free, "the flags are read and raised from a signal handler");

std::atomic<bool> interruptFlag{false};
std::atomic<bool> endAtOnce{false};

void OnInterrupt(int)
{
    if (!endAtOnce.load() && !interruptFlag.load()) {
        interruptFlag.store(true);
        return;
    }
    RemoveTemporaryFiles();
    constexpr char kMessage[] = "kvs: interrupted\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    _exit(kExitInterrupted);
}
} // namespace

// SIGINT's handler comes first, so that no Ctrl-C ever meets the platform's
// (which would end kvs without a word), then the platform's for the others.
void InstallInterruptHandlers()
{
    if (SignalAtDefault(SIGINT)) {
        struct sigaction action = {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        // No SA_RESTART: a read that waits on a terminal or a pipe returns,
        // so the reader sees the flag.
        action.sa_flags = 0;
        sigaction(SIGINT, &action, nullptr);
    }
    RemoveTemporaryFilesOnSignals();
}

const std::atomic<bool>& InterruptFlag() { return interruptFlag; }

bool Interrupted() { return interruptFlag.load(); }

void EndAtOnceOnInterrupt() { endAtOnce.store(true); }
