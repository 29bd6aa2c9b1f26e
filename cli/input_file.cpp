#include "cli/input_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "cli/input_decoder.h"
#include "cli/interrupt.h"
#include "cli/npy_reader.h"
#include "cli/table_input.h"

namespace {
constexpr std::size_t kChunkBytes = 64 * 1024;
// How long a wait for input may last before the Ctrl-C flag is looked at
// again: a signal that lands just before a wait would otherwise go unnoticed
// until more input came.
constexpr int kWaitMilliseconds = 100;

ToolError ReadError(const std::string& path, const std::string& why)
{
    return UsageError("cannot read " + InputName(path) + ": " + why);
}

// A header's name as a message shows it: cut when long.
std::string ShownName(const std::string& name)
{
    constexpr std::size_t kShownBytes = 32;
    if (name.size() <= kShownBytes)
        return name;
    std::size_t cut = kShownBytes;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;  // not inside a UTF-8 sequence
    return name.substr(0, cut) + "...";
}

// "FILE: line L, field F (NAME): message", "FILE: line L, byte B: message",
// "FILE: line L: message" or "FILE: message", as the fault is placed.
ToolError TableError(const std::string& path, const TableReadError& error)
{
    if (error.cancelled)
        return InterruptedError();
    if (!error)
        return {};
    std::string where;
    if (error.line > 0)
        where = "line " + std::to_string(error.line);
    if (error.field > 0)
        where += ", field " + std::to_string(error.field) +
                 (error.fieldName.empty() ? "" : " (" + ShownName(error.fieldName) + ")");
    else if (error.column > 0)
        where += ", byte " + std::to_string(error.column);
    return UsageError(InputName(path) + ": " + (where.empty() ? "" : where + ": ") + error.message);
}

// Whether the file is a .npy array, by its first bytes.
bool IsNpyFile(int descriptor, const struct stat& status)
{
    if (!S_ISREG(status.st_mode) || status.st_size < off_t(kNpyMagic.size()))
        return false;
    char head[kNpyMagic.size()];
    return pread(descriptor, head, sizeof head, 0) == ssize_t(sizeof head) &&
           std::string_view(head, sizeof head) == kNpyMagic;
}

// A .npy file mapped whole, its rows read in place where their layout is
// the engine's (the table then keeps the mapping).
ToolError ReadMappedNpy(int descriptor, const struct stat& status, const std::string& path,
                        const TableReadOptions& options, Table& table)
{
    const std::size_t size = std::size_t(status.st_size);
    void* start = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
    if (start == MAP_FAILED)
        return ReadError(path, "cannot map it into memory: " + SystemMessage(errno));
    const std::shared_ptr<const void> mapping(start, [size](const void* at) { munmap(const_cast<void*>(at), size); });
    const std::string_view file(static_cast<const char*>(start), size);
    return TableError(path, ReadNpyInPlace(file, mapping, options, table));
}

// Opens the input without waiting: a FIFO opened for reading would wait for
// its writer inside open(), where Ctrl-C cannot reach the reader. A FIFO
// stays non-blocking, so that the reader's polls do that waiting (until a
// writer comes and writes or leaves); anything else blocks again.
ToolError Open(const std::string& path, int& descriptor, struct stat& status)
{
    descriptor = path == "-" ? dup(STDIN_FILENO) : open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        return ReadError(path, SystemMessage(errno));
    if (fstat(descriptor, &status) != 0)
        return ReadError(path, SystemMessage(errno));
    if (S_ISDIR(status.st_mode))
        return ReadError(path, "it is a folder");
    if (path != "-" && !S_ISFIFO(status.st_mode) &&
        fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK) != 0)
        return ReadError(path, SystemMessage(errno));
    return {};
}

// Reads the descriptor to its end. One that may keep the reader waiting (a
// pipe, a terminal, a device) is polled, so that Ctrl-C is seen while no
// input comes.
ToolError ReadDescriptor(int descriptor, bool mayWait, const std::string& path, InputDecoder& decoder)
{
    std::vector<char> buffer(kChunkBytes);
    while (!Interrupted()) {
        if (mayWait) {
            pollfd ready = {descriptor, POLLIN, 0};
            const int polled = poll(&ready, 1, kWaitMilliseconds);
            if (polled == 0 || (polled < 0 && errno == EINTR))
                continue;
        }
        const ssize_t got = read(descriptor, buffer.data(), buffer.size());
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got < 0)
            return ReadError(path, SystemMessage(errno));
        const bool goOn =
            got == 0 ? decoder.Finish() : decoder.Write(std::string_view(buffer.data(), std::size_t(got)));
        if (!goOn && !decoder.Problem().empty())
            return ReadError(path, decoder.Problem());
        if (!goOn || got == 0)
            return {};
    }
    return InterruptedError();
}
} // namespace

std::string InputName(const std::string& path) { return path == "-" ? "<stdin>" : path; }

ToolError ReadTableFile(const std::string& path, const TableReadOptions& options, Table& table)
{
    int descriptor = -1;
    struct stat status;
    ToolError error = Open(path, descriptor, status);
    if (!error && IsNpyFile(descriptor, status)) {
        error = ReadMappedNpy(descriptor, status, path, options, table);
    } else if (!error) {
        TableInput input(options);
        TableReadError tableError;
        InputDecoder decoder([&](std::string_view bytes) { return !(tableError = input.Read(bytes)); });
        error = ReadDescriptor(descriptor, !S_ISREG(status.st_mode), path, decoder);
        if (!error && !tableError)
            tableError = input.Finish(table);
        if (!error)
            error = TableError(path, tableError);
    }
    if (descriptor >= 0)
        close(descriptor);
    return error;
}
