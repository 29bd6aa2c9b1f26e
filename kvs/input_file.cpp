#include "kvs/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>

#include "kvs/interrupt.h"

namespace {
constexpr unsigned kChunkBytes = 1u << 20;

ToolError ReadError(const std::string& path, const std::string& why)
{
    return UsageError("cannot read " + InputName(path) + ": " + why);
}

// Reads everything from an open gzip stream (plain files pass through as they are).
ToolError ReadStream(gzFile stream, const std::string& path, std::string& bytes)
{
    while (true) {
        const std::size_t used = bytes.size();
        bytes.resize(used + kChunkBytes);
        const int got = gzread(stream, bytes.data() + used, kChunkBytes);
        bytes.resize(used + std::size_t(got > 0 ? got : 0));
        if (got > 0 && Interrupted())
            return InterruptedError();
        if (got > 0)
            continue;
        int code = Z_OK;
        const char* message = gzerror(stream, &code);
        if (got == 0 && code == Z_OK)
            return {};
        if (code == Z_ERRNO && errno == EINTR) {
            if (Interrupted())
                return InterruptedError();
            gzclearerr(stream);
            continue;
        }
        if (code == Z_ERRNO)
            return ReadError(path, SystemMessage(errno));
        if (code == Z_BUF_ERROR)
            return ReadError(path, "the compressed data ends too early");
        return ReadError(path, std::string("invalid compressed data (") + message + ")");
    }
}

// Whether a regular file begins with the gzip magic bytes.
bool IsCompressed(int descriptor)
{
    unsigned char magic[2] = {};
    return pread(descriptor, magic, 2, 0) == 2 && magic[0] == 0x1f && magic[1] == 0x8b;
}

// A regular file read straight into a buffer of its size (grown should the
// file be longer than it said).
ToolError ReadPlainFile(int descriptor, std::size_t size, const std::string& path, std::string& bytes)
{
    bytes.resize(size + 1);
    std::size_t done = 0;
    while (true) {
        if (done == bytes.size())
            bytes.resize(bytes.size() + kChunkBytes);
        const ssize_t got = read(descriptor, bytes.data() + done, bytes.size() - done);
        if (got > 0 && !Interrupted()) {
            done += std::size_t(got);
            continue;
        }
        const int error = got > 0 ? EINTR : errno;
        if (got < 0 && error == EINTR && !Interrupted())
            continue;
        close(descriptor);
        bytes.resize(done);
        if (got == 0)
            return {};
        return error == EINTR ? InterruptedError() : ReadError(path, SystemMessage(error));
    }
}
} // namespace

std::string InputName(const std::string& path) { return path == "-" ? "<stdin>" : path; }

ToolError ReadInputFile(const std::string& path, std::string& bytes)
{
    bytes.clear();
    const int descriptor = path == "-" ? dup(STDIN_FILENO) : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return ReadError(path, SystemMessage(errno));
    struct stat status;
    if (fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode)) {
        close(descriptor);
        return ReadError(path, "it is a folder");
    }
    if (S_ISREG(status.st_mode) && !IsCompressed(descriptor))
        return ReadPlainFile(descriptor, std::size_t(status.st_size), path, bytes);
    gzFile stream = gzdopen(descriptor, "rb");
    if (!stream) {
        close(descriptor);
        return RunFailure("cannot read " + InputName(path) + ": out of memory");
    }
    gzbuffer(stream, 1u << 17);
    ToolError error = ReadStream(stream, path, bytes);
    gzclose_r(stream);
    return error;
}
