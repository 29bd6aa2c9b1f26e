#include "cli/interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "cli/exit_codes.h"

namespace {
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is raised from a signal handler");

std::atomic<bool> interruptFlag{false};

constexpr int kSlots = 8;
constexpr std::size_t kPathRoom = 4096;
// A slot's path is written while its inUse is 0 and read by the handler only
// while it is 1.
struct TemporarySlot {
    volatile std::sig_atomic_t inUse = 0;
    char path[kPathRoom] = {};
};
TemporarySlot slots[kSlots];

void RemoveTemporaryFiles()
{
    for (TemporarySlot& slot : slots)
        if (slot.inUse)
            unlink(slot.path);
}

void OnSignal(int signalNumber)
{
    if (signalNumber == SIGINT && !interruptFlag.load()) {
        interruptFlag.store(true);
        return;
    }
    RemoveTemporaryFiles();
    if (signalNumber == SIGINT)
        _exit(kExitInterrupted);
    // Die of the signal itself, so that the caller sees how the process ended.
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}
} // namespace

void InstallInterruptHandlers()
{
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a read that waits on a terminal or a pipe returns, so
    // the reader sees the flag.
    action.sa_flags = 0;
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signalNumber, &action, nullptr);
}

const std::atomic<bool>& InterruptFlag() { return interruptFlag; }

bool Interrupted() { return interruptFlag.load(); }

bool RegisterTemporaryFile(const char* path)
{
    const std::size_t length = std::strlen(path);
    if (length >= kPathRoom)
        return false;
    for (TemporarySlot& slot : slots) {
        if (slot.inUse)
            continue;
        std::memcpy(slot.path, path, length + 1);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        slot.inUse = 1;
        return true;
    }
    return false;
}

void ForgetTemporaryFile(const char* path)
{
    for (TemporarySlot& slot : slots)
        if (slot.inUse && std::strcmp(slot.path, path) == 0)
            slot.inUse = 0;
}
