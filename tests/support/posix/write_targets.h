// Targets of every kind a program may be asked to write to, made in a
// test's own folder (never the system's /dev): FIFOs with a reader, device
// nodes, listening sockets, and small filesystems mounted there. Each maker
// says when the system does not let the test make one, so that its case can
// be skipped with a message.
#pragma once

#include <string>

// Opens the FIFO's reading end without waiting, so that a writer finds a
// reader; -1 on failure.
int OpenFifoReader(const std::string& path);

// A listening Unix socket at path; -1 on failure.
int ListenAt(const std::string& path);

// Everything the descriptor gives until its writer has closed it; for a
// listening socket, its first connection's bytes. The writer must be done.
std::string ReadToEnd(int fd);
std::string ReadFirstConnection(int listener);

// A character device node at path for the kernel's memory device of that
// minor number (3: null, which takes everything; 7: full, which is always
// full). False when this process may not make one.
bool MakeMemoryDevice(const std::string& path, unsigned minor);

// Whether the folder, or a folder below it, holds a temporary file that a
// write left behind.
bool TemporaryFilesLeftIn(const std::string& folder);

// A tmpfs of the given size mounted at path (an existing folder) while it
// lives; Mounted() is false when this process may not mount one.
class SmallFilesystem {
public:
    SmallFilesystem(const std::string& path, long bytes, bool readOnly = false);
    ~SmallFilesystem();
    SmallFilesystem(const SmallFilesystem&) = delete;
    SmallFilesystem& operator=(const SmallFilesystem&) = delete;
    bool Mounted() const { return mounted_; }

private:
    std::string path_;
    bool mounted_ = false;
};
