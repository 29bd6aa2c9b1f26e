#include "support/posix/write_targets.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

int OpenFifoReader(const std::string& path)
{
    if (mkfifo(path.c_str(), 0644) != 0)
        return -1;
    return open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

int ListenAt(const std::string& path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return -1;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(fd, 4) != 0)) {
        close(fd);
        return -1;
    }
    return fd;
}

std::string ReadToEnd(int fd)
{
    std::string bytes;
    char chunk[65536];
    ssize_t got;
    while ((got = read(fd, chunk, sizeof chunk)) > 0)
        bytes.append(chunk, std::size_t(got));
    return bytes;
}

std::string ReadFirstConnection(int listener)
{
    const int connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (connection < 0)
        return "";
    std::string bytes = ReadToEnd(connection);
    close(connection);
    return bytes;
}

bool MakeMemoryDevice(const std::string& path, unsigned minor)
{
    return mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)) == 0;
}

bool TemporaryFilesLeftIn(const std::string& folder)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
        if (entry.path().filename().string().starts_with(".kestrand-save-"))
            return true;
    }
    return false;
}

SmallFilesystem::SmallFilesystem(const std::string& path, long bytes, bool readOnly) : path_(path)
{
    const std::string size = "size=" + std::to_string(bytes);
    mounted_ = mount("kv-test", path.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, size.c_str()) == 0;
}

SmallFilesystem::~SmallFilesystem()
{
    if (mounted_)
        umount2(path_.c_str(), MNT_DETACH);
}
