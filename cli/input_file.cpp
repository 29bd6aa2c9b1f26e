#include "cli/input_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>

#include "cli/interrupt.h"

namespace {
constexpr std::size_t kChunkBytes = 1u << 20;
// How long a wait for standard input may last before the Ctrl-C flag is
// looked at again: a signal that lands just before a wait would otherwise
// go unnoticed until more input came.
constexpr int kWaitMilliseconds = 100;

ToolError ReadError(const std::string& path, const std::string& why)
{
    return UsageError("cannot read " + InputName(path) + ": " + why);
}

bool IsCompressed(const std::string& bytes)
{
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1f &&
           static_cast<unsigned char>(bytes[1]) == 0x8b;
}

// Reads the descriptor to its end into bytes, growing them as it goes. A
// descriptor that may keep the reader waiting (a pipe, a terminal) is
// polled, so that Ctrl-C is seen while no input comes.
ToolError ReadDescriptor(int descriptor, bool mayWait, const std::string& path, std::string& bytes)
{
    std::size_t done = 0;
    while (!Interrupted()) {
        if (mayWait) {
            pollfd ready = {descriptor, POLLIN, 0};
            const int polled = poll(&ready, 1, kWaitMilliseconds);
            if (polled == 0 || (polled < 0 && errno == EINTR))
                continue;
        }
        if (done == bytes.size())
            bytes.resize(bytes.size() + kChunkBytes);
        const ssize_t got = read(descriptor, bytes.data() + done, bytes.size() - done);
        if (got > 0) {
            done += std::size_t(got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        bytes.resize(done);
        return got == 0 ? ToolError{} : ReadError(path, SystemMessage(errno));
    }
    bytes.resize(done);
    return InterruptedError();
}

// Inflates every gzip member of compressed into bytes.
ToolError Inflate(const std::string& compressed, const std::string& path, std::string& bytes)
{
    z_stream stream = {};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return RunFailure("cannot read " + InputName(path) + ": out of memory");
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = uInt(compressed.size());
    std::size_t done = 0;
    int code = Z_OK;
    while (code != Z_STREAM_END || stream.avail_in > 0) {
        if (Interrupted()) {
            inflateEnd(&stream);
            return InterruptedError();
        }
        if (code == Z_STREAM_END)
            inflateReset(&stream); // the next member of a concatenated file
        if (done == bytes.size())
            bytes.resize(bytes.size() + std::max(kChunkBytes, compressed.size()));
        stream.next_out = reinterpret_cast<Bytef*>(bytes.data() + done);
        stream.avail_out = uInt(bytes.size() - done);
        code = inflate(&stream, Z_NO_FLUSH);
        done = bytes.size() - stream.avail_out;
        if (code == Z_BUF_ERROR && stream.avail_in == 0)
            break;
        if (code != Z_OK && code != Z_STREAM_END && code != Z_BUF_ERROR) {
            const std::string why = stream.msg ? stream.msg : "corrupt";
            inflateEnd(&stream);
            return ReadError(path, "invalid compressed data (" + why + ")");
        }
    }
    inflateEnd(&stream);
    bytes.resize(done);
    if (code != Z_STREAM_END)
        return ReadError(path, "the compressed data ends too early");
    return {};
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
    if (fstat(descriptor, &status) != 0) {
        const int error = errno;
        close(descriptor);
        return ReadError(path, SystemMessage(error));
    }
    if (S_ISDIR(status.st_mode)) {
        close(descriptor);
        return ReadError(path, "it is a folder");
    }
    const bool regular = S_ISREG(status.st_mode);
    // A regular file is read into a buffer of its size in one go (grown
    // should it be longer than it said).
    std::string raw;
    raw.resize(regular ? std::size_t(status.st_size) + 1 : 0);
    ToolError error = ReadDescriptor(descriptor, !regular, path, raw);
    close(descriptor);
    if (error || !IsCompressed(raw)) {
        bytes = std::move(raw);
        return error;
    }
    return Inflate(raw, path, bytes);
}
