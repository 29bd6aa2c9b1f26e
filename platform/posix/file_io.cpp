#include "platform/file_io.h"
#include "platform/posix/close_failure.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

FileHandle OpenFileForWriting(const char* path)
{
    int fd = ::open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd < 0 ? kNoFile : fd;
}

bool WriteFileBytes(FileHandle file, const void* data, std::size_t length)
{
    const char* bytes = static_cast<const char*>(data);
    while (length > 0) {
        ssize_t written = ::write(file, bytes, length);
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
    bool closed = ::close(file) == 0;
    if (CloseFailureForced())
        return false;
    return closed;
}
