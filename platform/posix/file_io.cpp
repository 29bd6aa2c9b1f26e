#include "platform/file_io.h"
#include "platform/test_hooks.h"
#include "platform/posix/temporary_files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <new>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <time.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <utility>
#include <vector>

struct PendingFile {
    int fd = -1;
    // A replaced file's temporary, and the file it replaces (links followed);
    // none for a file written straight through.
    TemporaryFile* recorded = nullptr;
    std::string temporary;
    std::string target;
    // The replaced file's permissions, given to the temporary file once its
    // content is written; none for a new file.
    bool replacing = false;
    mode_t mode = 0;
    // Written straight through without waiting: a reader that leaves the
    // bytes untaken for this long, in all, fails the write.
    bool boundedWait = false;
    int waitLeftMs = 0;
    // The caller's flag to stop at (Ctrl-C in kvs); none for the window.
    const std::atomic<bool>* stop = nullptr;
};

namespace {

// As many links as the system itself follows before giving up.
constexpr int kMaxLinks = 40;
// Large writes go in pieces, so that a signal's handler runs soon after it comes.
constexpr std::size_t kWritePiece = std::size_t(4) << 20;
// How long, in all, a file that must not block waits for a FIFO's or a
// socket's reader to take its bytes.
constexpr int kReaderWaitMs = 1000;

thread_local int lastError = 0;

FileHandle Opened(PendingFile* file)
{
    lastError = 0;
    return file;
}

FileHandle OpenFailed(int error)
{
    lastError = error;
    return kNoFile;
}

bool Done(bool ok, int error)
{
    lastError = ok ? 0 : error;
    return ok;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// What a path names once the symbolic links at its end are followed.
struct Target {
    std::string path; // the last link's destination, or the path itself
    bool exists = false;
    struct stat status = {};
    // Reached through a link of /proc (as /dev/stdout is): an open file of
    // a process, whose link is no path to follow by name.
    bool descriptor = false;
};

bool IsDescriptorLink(const std::string& link)
{
    struct statfs folder;
    return ::statfs(FolderOf(link).c_str(), &folder) == 0 && folder.f_type == PROC_SUPER_MAGIC;
}

// False, with errno set, when the path cannot be looked at or its links loop.
bool FindTarget(std::string path, Target* target)
{
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat status;
        if (::lstat(path.c_str(), &status) != 0) {
            const int error = errno;
            target->path = path;
            errno = error;
            return error == ENOENT; // a missing file is made; a link's missing destination too
        }
        if (!S_ISLNK(status.st_mode) || IsDescriptorLink(path)) {
            target->path = path;
            target->exists = true;
            target->descriptor = S_ISLNK(status.st_mode);
            target->status = status;
            return !target->descriptor || ::stat(path.c_str(), &target->status) == 0;
        }
        char destination[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), destination, sizeof destination);
        if (length < 0)
            return false;
        if (std::size_t(length) == sizeof destination) {
            errno = ENAMETOOLONG;
            return false;
        }
        destination[length] = '\0';
        path = destination[0] == '/' ? std::string(destination) : FolderOf(path) + "/" + destination;
    }
    errno = ELOOP;
    return false;
}

// In a folder with the sticky bit (as /tmp), the system lets a file be
// replaced only by its owner, the folder's owner or the administrator.
bool StickyFolderForbids(const Target& target)
{
    struct stat folder;
    const uid_t user = ::geteuid();
    return ::stat(FolderOf(target.path).c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) && user != 0 &&
           target.status.st_uid != user && folder.st_uid != user;
}

// Why an existing file may not be replaced, as cp sees it: the user may not
// write it, or its owner may not (so the administrator, whom the system
// lets write anything, is refused as the owner would be), or the rename
// over it would be refused. 0 when it may.
int WriteRefusal(const Target& target)
{
    if (!(target.status.st_mode & S_IWUSR))
        return EACCES;
    if (::faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0)
        return errno;
    return StickyFolderForbids(target) ? EPERM : 0;
}

// Creates an empty file beside the target under a name no other file has,
// with the permissions a new file gets (0666 less the umask). The name is
// recorded for the signal handlers before the file exists. The name's length
// does not depend on the target's, so a target whose name is as long as the
// system allows still gets a temporary beside it.
int CreateTemporaryBeside(PendingFile* file)
{
    static std::atomic<unsigned long> made{0};
    const std::string folder = FolderOf(file->target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        file->temporary = folder + "/.kestrand-save-" + std::to_string(::getpid()) + "-" + std::to_string(++made);
        if (file->temporary.size() >= PATH_MAX)
            return ENAMETOOLONG;
        file->recorded = RecordTemporaryFile(file->temporary.c_str());
        if (!file->recorded)
            return ENOMEM;
        file->fd = ::open(file->temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file->fd >= 0)
            return 0;
        const int error = errno;
        ForgetTemporaryFile(file->recorded);
        file->recorded = nullptr;
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

// The replaced file's owner and group where the system lets this user keep
// them, and its permissions without the set-user and set-group bits, which
// a write would clear: they come with the rest (KeepModeAndAttributes), and
// only with the owner and group they were given for.
bool KeepOwner(PendingFile* file, const struct stat& old)
{
    file->replacing = true;
    file->mode = old.st_mode & 07777;
    if (::fchown(file->fd, old.st_uid, old.st_gid) != 0)
        file->mode &= ~mode_t(S_ISUID | S_ISGID);
    return ::fchmod(file->fd, file->mode & ~mode_t(S_ISUID | S_ISGID)) == 0;
}

// Whether the system refuses an extended attribute to this user (a trusted
// or security one to whoever is not the administrator) or to this file
// system: the attribute is left out, as cp --preserve=all leaves it out.
bool AttributeRefused(int error)
{
    return error == EPERM || error == EACCES || error == ENOTSUP || error == ENODATA;
}

// One list of the system's: attribute names, or an attribute's value.
template <class Read>
int ReadWhole(std::vector<char>& bytes, Read read)
{
    while (true) {
        const ssize_t size = read(nullptr, 0);
        if (size < 0)
            return errno;
        bytes.resize(std::size_t(size));
        const ssize_t got = read(bytes.data(), bytes.size());
        if (got >= 0) {
            bytes.resize(std::size_t(got));
            return 0;
        }
        if (errno != ERANGE)  // it grew in between: ask again
            return errno;
    }
}

// Copies the old file's extended attributes, and so its access control list
// (system.posix_acl_access), to the temporary file. 0, or why one that the
// system allows could not be copied.
int CopyAttributes(const std::string& from, int to)
{
    std::vector<char> names;
    int error = ReadWhole(names, [&](char* list, std::size_t size) { return ::listxattr(from.c_str(), list, size); });
    if (error)
        return AttributeRefused(error) || error == ENOENT ? 0 : error;
    std::vector<char> value;
    for (std::size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1) {
        const char* name = names.data() + at;
        error = ReadWhole(value, [&](char* bytes, std::size_t size) { return ::getxattr(from.c_str(), name, bytes, size); });
        if (!error && ::fsetxattr(to, name, value.data(), value.size(), 0) != 0)
            error = errno;
        if (error && !AttributeRefused(error))
            return error;
    }
    return 0;
}

// The replaced file's extended attributes and whole permissions, once the
// content is written: a write by a user other than the administrator clears
// the set-user and set-group bits and a file's capabilities.
int KeepModeAndAttributes(const PendingFile& file)
{
    if (!file.replacing)
        return 0;
    if (const int error = CopyAttributes(file.target, file.fd))
        return error;
    return ::fchmod(file.fd, file.mode) == 0 ? 0 : errno;
}

// Closes and removes the temporary file and releases the handle.
void Abandon(PendingFile* file)
{
    if (file->fd >= 0)
        ::close(file->fd);
    if (file->recorded) {
        ::unlink(file->temporary.c_str());
        ForgetTemporaryFile(file->recorded);
    }
    delete file;
}

FileHandle OpenBeside(const Target& target, const std::atomic<bool>* stop)
{
    if (target.exists)
        if (const int refusal = WriteRefusal(target))
            return OpenFailed(refusal);
    auto* file = new (std::nothrow) PendingFile;
    if (!file)
        return OpenFailed(ENOMEM);
    file->target = target.path;
    file->stop = stop;
    if (const int error = CreateTemporaryBeside(file)) {
        delete file;
        return OpenFailed(error);
    }
    if (target.exists && !KeepOwner(file, target.status)) {
        const int error = errno;
        Abandon(file);
        return OpenFailed(error);
    }
    return Opened(file);
}

// A descriptor opened without waiting. Given a flag to stop at (kvs), its
// writes wait for the reader again, as a shell's do; otherwise (the window,
// which must never block) they wait a bounded time at most.
FileHandle StraightThrough(int fd, const std::atomic<bool>* stopWaiting)
{
    auto* file = new (std::nothrow) PendingFile;
    const int flags = ::fcntl(fd, F_GETFL);
    if (!file || flags < 0 || (stopWaiting && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)) {
        const int error = file ? errno : ENOMEM;
        ::close(fd);
        delete file;
        return OpenFailed(error);
    }
    file->fd = fd;
    file->boundedWait = !stopWaiting;
    file->waitLeftMs = kReaderWaitMs;
    return Opened(file);
}

// Opens without waiting; a FIFO that nobody reads (ENXIO) is tried again
// every 20 ms while the caller waits, so that a raised flag is seen however
// its signal fell.
int OpenWithoutBlocking(const std::string& path, int flags, const std::atomic<bool>* stopWaiting)
{
    constexpr timespec kPause = {0, 20 * 1000 * 1000};
    while (true) {
        if (stopWaiting && stopWaiting->load()) {
            errno = EINTR;
            return -1;
        }
        const int fd = ::open(path.c_str(), flags | O_NONBLOCK);
        if (fd >= 0 || errno != ENXIO || !stopWaiting)
            return fd;
        ::nanosleep(&kPause, nullptr);
    }
}

// A FIFO, a device or a descriptor of a process, opened as it is. A
// descriptor's file is added to, as its owner opened it, never cut short.
FileHandle OpenStraight(const Target& target, const std::atomic<bool>* stopWaiting)
{
    int flags = O_WRONLY | O_CLOEXEC | O_NOCTTY;
    if (target.descriptor)
        flags |= O_APPEND;
    const int fd = OpenWithoutBlocking(target.path, flags, stopWaiting);
    if (fd < 0)
        return OpenFailed(errno);
    // The name may have passed to a regular file since it was looked at:
    // that one is never written in place.
    struct stat status;
    if (::fstat(fd, &status) != 0 || (S_ISREG(status.st_mode) && !target.descriptor)) {
        ::close(fd);
        return OpenFailed(EAGAIN);
    }
    return StraightThrough(fd, stopWaiting);
}

// A socket: a stream connection to whoever listens there. A listener whose
// queue is full fails at once (EAGAIN).
FileHandle Connect(const Target& target, const std::atomic<bool>* stopWaiting)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (target.path.size() >= sizeof address.sun_path)
        return OpenFailed(ENAMETOOLONG);
    std::memcpy(address.sun_path, target.path.c_str(), target.path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return OpenFailed(errno);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd);
        return OpenFailed(error);
    }
    return StraightThrough(fd, stopWaiting);
}

// Flushes the folder's entries, so that the rename survives a crash as well
// as the content does. The file has been replaced by then whatever happens
// here, so a failure is not reported.
void FlushFolderOf(const std::string& path)
{
    const int folder = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return;
    ::fsync(folder);
    ::close(folder);
}

// While it lives, a write to a pipe or a socket whose reader has gone fails
// with EPIPE in this thread and raises no SIGPIPE, which would end the
// program: a broken pipe is a failed write like any other. A SIGPIPE that
// was pending before stays pending.
class PipeSignalHeld {
public:
    PipeSignalHeld()
    {
        sigemptyset(&pipeSignal_);
        sigaddset(&pipeSignal_, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal_, &before_);
        sigset_t pending;
        pendingBefore_ = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE);
    }
    ~PipeSignalHeld()
    {
        constexpr timespec kNoWait = {0, 0};
        if (!pendingBefore_) {
            const int error = errno;
            while (sigtimedwait(&pipeSignal_, nullptr, &kNoWait) < 0 && errno == EINTR) {
            }
            errno = error;
        }
        pthread_sigmask(SIG_SETMASK, &before_, nullptr);
    }
    PipeSignalHeld(const PipeSignalHeld&) = delete;
    PipeSignalHeld& operator=(const PipeSignalHeld&) = delete;

private:
    sigset_t pipeSignal_;
    sigset_t before_;
    bool pendingBefore_ = false;
};

// Waits for room in a file that is written without blocking, up to the
// time left of its bounded wait; false, with errno set, when none came.
bool WaitForRoom(int fd, int& waitLeftMs)
{
    const auto start = std::chrono::steady_clock::now();
    pollfd ready = {fd, POLLOUT, 0};
    const int polled = ::poll(&ready, 1, waitLeftMs);
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    waitLeftMs -= std::min<int>(waitLeftMs, int(waited.count()));
    if (polled < 0 && errno != EINTR)
        return false;
    if (polled == 0 && waitLeftMs == 0) {
        errno = ETIMEDOUT;
        return false;
    }
    return true;
}

} // namespace

FileHandle OpenFileForWriting(const char* path, const std::atomic<bool>* stopWaiting)
{
    if (!path || !*path)
        return OpenFailed(ENOENT);
    Target target;
    if (!FindTarget(path, &target))
        return OpenFailed(errno);
    if (!target.exists)
        return OpenBeside(target, stopWaiting);
    const mode_t type = target.status.st_mode & S_IFMT;
    if (type == S_IFDIR)
        return OpenFailed(EISDIR);
    if (type == S_IFREG && !target.descriptor)
        return OpenBeside(target, stopWaiting);
    if (type == S_IFSOCK && !target.descriptor)
        return Connect(target, stopWaiting);
    return OpenStraight(target, stopWaiting);
}

bool WriteFileBytes(FileHandle file, const void* data, std::size_t length)
{
    if (!file)
        return Done(false, EBADF);
    const char* bytes = static_cast<const char*>(data);
    const PipeSignalHeld pipeSignalHeld;
    while (length > 0) {
        // A signal whose handler returns stops a write that waits (on a FIFO
        // or a socket): the program asked to stop.
        const ssize_t written = ::write(file->fd, bytes, std::min(length, kWritePiece));
        if (written < 0 && errno == EAGAIN && file->boundedWait) {
            if (!WaitForRoom(file->fd, file->waitLeftMs))
                return Done(false, errno);
            continue;
        }
        if (written <= 0)
            return Done(false, written < 0 ? errno : ENOSPC);
        bytes += written;
        length -= std::size_t(written);
    }
    return Done(true, 0);
}

bool CloseFileHandle(FileHandle file)
{
    if (!file)
        return Done(false, EBADF);
    int error = KeepModeAndAttributes(*file);
    // A file written straight through has nothing to flush to a disk.
    if (!error && file->recorded && ::fsync(file->fd) != 0)
        error = errno;
    if (::close(std::exchange(file->fd, -1)) != 0 && !error)
        error = errno;
#ifdef KV_TEST_HOOKS
    if (!error && testHooks.failFileClose && testHooks.failFileClose())
        error = EIO;
#endif
    // The flush can take long: a stop asked for meanwhile still keeps the old file.
    if (!error && file->recorded && file->stop && file->stop->load())
        error = EINTR;
    if (!error && file->recorded && ::rename(file->temporary.c_str(), file->target.c_str()) != 0)
        error = errno;
    if (error) {
        Abandon(file);
        return Done(false, error);
    }
    if (file->recorded) {
        ForgetTemporaryFile(file->recorded);
        FlushFolderOf(file->target);
    }
    delete file;
    return Done(true, 0);
}

void DiscardFile(FileHandle file)
{
    if (file)
        Abandon(file);
}

int LastFileError() { return lastError; }
