#include "platform/file_io.h"
#include "platform/posix/close_failure.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

struct PendingFile {
    int fd = -1;
    std::string temporary; // where the content is written
    std::string target;    // the file it replaces, links followed
};

namespace {

// As many links as the system itself follows before giving up.
constexpr int kMaxLinks = 40;

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The path with every symbolic link at its end followed; the path of a
// link's missing destination when the chain ends there. False for a loop.
bool FollowLinks(std::string path, std::string* resolved)
{
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            *resolved = path;
            return true;
        }
        char destination[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), destination, sizeof destination - 1);
        if (length < 0)
            return false;
        destination[length] = '\0';
        path = destination[0] == '/' ? std::string(destination) : FolderOf(path) + "/" + destination;
    }
    return false;
}

// Creates an empty file beside the target under a name no other file has,
// with the permission bits a newly created file gets (0644 less the umask).
int CreateFileBeside(const std::string& target, std::string* path)
{
    static unsigned long made = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        *path = FolderOf(target) + "/.kestrand-save-" + std::to_string(::getpid()) + "-" + std::to_string(++made);
        const int fd = ::open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
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

// Closes and removes the temporary file and releases the handle.
void Abandon(PendingFile* file)
{
    if (file->fd >= 0)
        ::close(file->fd);
    ::unlink(file->temporary.c_str());
    delete file;
}

} // namespace

FileHandle OpenFileForWriting(const char* path)
{
    if (!path || !*path)
        return kNoFile;
    std::string target;
    if (!FollowLinks(path, &target))
        return kNoFile;
    struct stat st;
    const bool targetExists = ::stat(target.c_str(), &st) == 0;
    if (targetExists && !S_ISREG(st.st_mode))
        return kNoFile;
    auto* file = new (std::nothrow) PendingFile;
    if (!file)
        return kNoFile;
    file->target = target;
    file->fd = CreateFileBeside(target, &file->temporary);
    if (file->fd < 0) {
        delete file;
        return kNoFile;
    }
    // A replaced file keeps its permission bits.
    if (targetExists && ::fchmod(file->fd, st.st_mode & 07777) != 0) {
        Abandon(file);
        return kNoFile;
    }
    return file;
}

bool WriteFileBytes(FileHandle file, const void* data, std::size_t length)
{
    if (!file)
        return false;
    const char* bytes = static_cast<const char*>(data);
    while (length > 0) {
        ssize_t written = ::write(file->fd, bytes, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        length -= std::size_t(written);
    }
    return true;
}

bool CloseFileHandle(FileHandle file)
{
    if (!file)
        return false;
    const bool flushed = ::fsync(file->fd) == 0;
    const bool closed = ::close(file->fd) == 0;
    file->fd = -1;
    const bool failureForced = CloseFailureForced();
    if (!flushed || !closed || failureForced || ::rename(file->temporary.c_str(), file->target.c_str()) != 0) {
        Abandon(file);
        return false;
    }
    FlushFolderOf(file->target);
    delete file;
    return true;
}

void DiscardFile(FileHandle file)
{
    if (file)
        Abandon(file);
}
