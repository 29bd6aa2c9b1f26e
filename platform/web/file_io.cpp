// Files on the page: a page cannot write the visitor's disk, so a file is
// gathered in memory and handed to the browser as a download once it is
// complete. Until then nothing leaves the page, and a failure leaves nothing.
// A download never replaces a file (the browser names it anew), and the page
// has no FIFOs, devices or folders: a name whose last part is empty (a
// folder's), or is an extension alone (a folder's name with the prompt's
// default extension appended, "dir/" become "dir/.bmp"), is refused.
#include "platform/file_io.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/web/page_bridge.h"

struct PendingFile {
    std::string name;         // the chosen name's last part, which the browser takes
    unsigned char* bytes = nullptr;
    std::size_t length = 0;
    std::size_t capacity = 0;
};

namespace {

int lastError = 0;

bool Outcome(bool ok, int error)
{
    lastError = ok ? 0 : error;
    return ok;
}

void Release(PendingFile* file)
{
    std::free(file->bytes);
    delete file;
}

// Whether the name, a path's last part, names a file: something other than
// dots stands before its extension ("", ".", "..", ".bmp" name none).
bool NamesAFile(const std::string& name)
{
    const std::size_t extension = name.rfind('.');
    return name.find_first_not_of('.') < (extension == std::string::npos ? name.size() : extension);
}

} // namespace

FileHandle OpenFileForWriting(const char* path, const std::atomic<bool>* /*stopWaiting*/)
{
    const std::string chosen = path ? path : "";
    const std::size_t slash = chosen.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? chosen : chosen.substr(slash + 1);
    if (!Outcome(NamesAFile(name), chosen.empty() ? ENOENT : EISDIR))
        return kNoFile;
    auto* file = new (std::nothrow) PendingFile;
    if (!Outcome(file != nullptr, ENOMEM))
        return kNoFile;
    file->name = name;
    return file;
}

// Grows by doubling; false, with the content kept, when the memory is not there.
bool WriteFileBytes(FileHandle file, const void* data, std::size_t length)
{
    if (!Outcome(file != nullptr, EBADF))
        return false;
    if (length > file->capacity - file->length) {
        std::size_t capacity = file->capacity ? file->capacity : 4096;
        while (capacity - file->length < length) {
            if (capacity > SIZE_MAX / 2)
                return Outcome(false, EFBIG);
            capacity *= 2;
        }
        auto* grown = static_cast<unsigned char*>(std::realloc(file->bytes, capacity));
        if (!grown)
            return Outcome(false, ENOMEM);
        file->bytes = grown;
        file->capacity = capacity;
    }
    std::memcpy(file->bytes + file->length, data, length);
    file->length += length;
    return Outcome(true, 0);
}

bool CloseFileHandle(FileHandle file)
{
    if (!Outcome(file != nullptr, EBADF))
        return false;
    const bool handed = file->length <= std::size_t(INT32_MAX);
    if (handed)
        kv_download(file->name.c_str(), file->bytes, int32_t(file->length));
    Release(file);
    return Outcome(handed, EFBIG);
}

void DiscardFile(FileHandle file)
{
    if (file)
        Release(file);
}

int LastFileError() { return lastError; }
