#include "platform/posix/temporary_files.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>
#include <new>
#include <signal.h>
#include <unistd.h>

// An entry is published, with its next entry set, before any handler can
// see it, and is never freed: the handler walks the list without locks. An
// entry's path is written only while it is not in use, and read by the
// handler only while it is.
struct TemporaryFile {
    std::atomic<bool> inUse{false};
    char path[PATH_MAX] = {};
    TemporaryFile* next = nullptr;
};

namespace {

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<TemporaryFile*>::is_always_lock_free,
              "the list is read from signal handlers");

std::atomic<TemporaryFile*> recorded{nullptr};
std::mutex recording; // between threads that record files, never in a handler

TemporaryFile* FreeEntry()
{
    for (TemporaryFile* file = recorded.load(); file; file = file->next) {
        if (!file->inUse.load())
            return file;
    }
    auto* file = new (std::nothrow) TemporaryFile;
    if (file) {
        file->next = recorded.load();
        recorded.store(file);
    }
    return file;
}

void EndWithSignal(int signalNumber)
{
    RemoveTemporaryFiles();
    // Die of the signal itself, so that the parent sees how the program ended.
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

} // namespace

TemporaryFile* RecordTemporaryFile(const char* path)
{
    const std::size_t length = std::strlen(path);
    if (length >= PATH_MAX)
        return nullptr;
    std::lock_guard<std::mutex> lock(recording);
    TemporaryFile* file = FreeEntry();
    if (!file)
        return nullptr;
    std::memcpy(file->path, path, length + 1);
    file->inUse.store(true);
    return file;
}

void ForgetTemporaryFile(TemporaryFile* file)
{
    if (file)
        file->inUse.store(false);
}

void RemoveTemporaryFiles()
{
    for (TemporaryFile* file = recorded.load(); file; file = file->next) {
        if (file->inUse.load())
            unlink(file->path);
    }
}

bool SignalAtDefault(int signalNumber)
{
    struct sigaction current = {};
    return sigaction(signalNumber, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
           current.sa_handler == SIG_DFL;
}

void RemoveTemporaryFilesOnSignals()
{
    struct sigaction action = {};
    action.sa_handler = EndWithSignal;
    sigemptyset(&action.sa_mask);
    const auto handle = [&](int signalNumber) {
        if (SignalAtDefault(signalNumber))
            sigaction(signalNumber, &action, nullptr);
    };
    for (int signalNumber : kEndingSignals)
        handle(signalNumber);
    for (int signalNumber = SIGRTMIN; signalNumber <= SIGRTMAX; ++signalNumber)
        handle(signalNumber);
}
