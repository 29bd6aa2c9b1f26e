// Files on the page: a page cannot write the visitor's disk, so a file is
// gathered in memory and handed to the browser as a download once it is
// complete. Until then nothing leaves the page, and a failure leaves nothing.
#include "platform/file_io.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/web/page_bridge.h"

struct PendingFile {
    std::string target;       // the name as chosen; the browser takes its last part
    unsigned char* bytes = nullptr;
    std::size_t length = 0;
    std::size_t capacity = 0;
};

namespace {

void Release(PendingFile* file)
{
    std::free(file->bytes);
    delete file;
}

} // namespace

FileHandle OpenFileForWriting(const char* path)
{
    if (!path || !*path)
        return kNoFile;
    auto* file = new (std::nothrow) PendingFile;
    if (!file)
        return kNoFile;
    file->target = path;
    return file;
}

// Grows by doubling; false, with the content kept, when the memory is not there.
bool WriteFileBytes(FileHandle file, const void* data, std::size_t length)
{
    if (!file)
        return false;
    if (length > file->capacity - file->length) {
        std::size_t capacity = file->capacity ? file->capacity : 4096;
        while (capacity - file->length < length) {
            if (capacity > SIZE_MAX / 2)
                return false;
            capacity *= 2;
        }
        auto* grown = static_cast<unsigned char*>(std::realloc(file->bytes, capacity));
        if (!grown)
            return false;
        file->bytes = grown;
        file->capacity = capacity;
    }
    std::memcpy(file->bytes + file->length, data, length);
    file->length += length;
    return true;
}

bool CloseFileHandle(FileHandle file)
{
    if (!file)
        return false;
    const std::size_t slash = file->target.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? file->target : file->target.substr(slash + 1);
    const bool handed = !name.empty() && file->length <= std::size_t(INT32_MAX);
    if (handed)
        kv_download(name.c_str(), file->bytes, int32_t(file->length));
    Release(file);
    return handed;
}

void DiscardFile(FileHandle file)
{
    if (file)
        Release(file);
}
