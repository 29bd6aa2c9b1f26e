#include "platform/file_io.h"
#include "platform/test_hooks.h"
#include "platform/posix/temporary_files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <new>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <utility>

struct PendingFile {
    int fd = -1;
    // A replaced file's temporary, and the file it replaces (links followed);
    // none for a file written straight through.
    TemporaryFile* recorded = nullptr;
    std::string temporary;
    std::string target;
};

namespace {

// As many links as the system itself follows before giving up.
constexpr int kMaxLinks = 40;
// Large writes go in pieces, so that a signal's handler runs soon after it comes.
constexpr std::size_t kWritePiece = std::size_t(4) << 20;

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

// Why an existing file may not be replaced, as cp sees it: the user may not
// write it, or its owner may not (so the administrator, whom the system
// lets write anything, is refused as the owner would be). 0 when it may.
int WriteRefusal(const Target& target)
{
    if (!(target.status.st_mode & S_IWUSR))
        return EACCES;
    return ::faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
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
// them, then its permissions; the set-user and set-group bits only with the
// owner and group they were given for.
bool KeepOwnerAndMode(int fd, const struct stat& old)
{
    mode_t mode = old.st_mode & 07777;
    if (::fchown(fd, old.st_uid, old.st_gid) != 0)
        mode &= ~mode_t(S_ISUID | S_ISGID);
    return ::fchmod(fd, mode) == 0;
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

FileHandle OpenBeside(const Target& target)
{
    if (target.exists)
        if (const int refusal = WriteRefusal(target))
            return OpenFailed(refusal);
    auto* file = new (std::nothrow) PendingFile;
    if (!file)
        return OpenFailed(ENOMEM);
    file->target = target.path;
    if (const int error = CreateTemporaryBeside(file)) {
        delete file;
        return OpenFailed(error);
    }
    if (target.exists && !KeepOwnerAndMode(file->fd, target.status)) {
        const int error = errno;
        Abandon(file);
        return OpenFailed(error);
    }
    return Opened(file);
}

// A descriptor opened without waiting is made to wait on its writes again.
FileHandle StraightThrough(int fd)
{
    auto* file = new (std::nothrow) PendingFile;
    const int flags = ::fcntl(fd, F_GETFL);
    if (!file || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int error = file ? errno : ENOMEM;
        ::close(fd);
        delete file;
        return OpenFailed(error);
    }
    file->fd = fd;
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
    return StraightThrough(fd);
}

// A socket: a stream connection to whoever listens there. A listener whose
// queue is full fails at once (EAGAIN).
FileHandle Connect(const Target& target)
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
    return StraightThrough(fd);
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

} // namespace

FileHandle OpenFileForWriting(const char* path, const std::atomic<bool>* stopWaiting)
{
    if (!path || !*path)
        return OpenFailed(ENOENT);
    Target target;
    if (!FindTarget(path, &target))
        return OpenFailed(errno);
    if (!target.exists)
        return OpenBeside(target);
    const mode_t type = target.status.st_mode & S_IFMT;
    if (type == S_IFDIR)
        return OpenFailed(EISDIR);
    if (type == S_IFREG && !target.descriptor)
        return OpenBeside(target);
    if (type == S_IFSOCK && !target.descriptor)
        return Connect(target);
    return OpenStraight(target, stopWaiting);
}

bool WriteFileBytes(FileHandle file, const void* data, std::size_t length)
{
    if (!file)
        return Done(false, EBADF);
    const char* bytes = static_cast<const char*>(data);
    while (length > 0) {
        // A signal whose handler returns stops a write that waits (on a FIFO
        // or a socket): the program asked to stop.
        const ssize_t written = ::write(file->fd, bytes, std::min(length, kWritePiece));
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
    int error = 0;
    // A file written straight through has nothing to flush to a disk.
    if (file->recorded && ::fsync(file->fd) != 0)
        error = errno;
    if (::close(std::exchange(file->fd, -1)) != 0 && !error)
        error = errno;
#ifdef KV_TEST_HOOKS
    if (!error && testHooks.failFileClose && testHooks.failFileClose())
        error = EIO;
#endif
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
