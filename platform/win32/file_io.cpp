// Files through the system's handles, written beside the target under a
// temporary name and moved over it only when complete.
#include "platform/file_io.h"
#include "platform/win32/handles.h"

#include <new>
#include <string>

struct PendingFile {
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::string temporary; // where the content is written
    std::string target;    // the file it replaces
};

namespace {

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos)
        return ".";
    return path.substr(0, slash + 1);
}

// A folder, a device (CON, a pipe, \\.\ names) or anything else that is not
// a plain disk file is never opened for writing.
bool IsPlainFileOrMissing(const std::string& path)
{
    if (path.rfind("\\\\.\\", 0) == 0)
        return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

// Closes and deletes the temporary file and releases the handle.
void Abandon(PendingFile* file)
{
    if (file->handle != INVALID_HANDLE_VALUE)
        CloseHandle(file->handle);
    DeleteFileA(file->temporary.c_str());
    delete file;
}

} // namespace

FileHandle OpenFileForWriting(const char* path)
{
    if (!path || !*path || !IsPlainFileOrMissing(path))
        return kNoFile;
    char temporary[MAX_PATH];
    if (GetTempFileNameA(FolderOf(path).c_str(), "kvs", 0, temporary) == 0)
        return kNoFile;
    auto* file = new (std::nothrow) PendingFile;
    if (!file) {
        DeleteFileA(temporary);
        return kNoFile;
    }
    file->temporary = temporary;
    file->target = path;
    file->handle = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file->handle == INVALID_HANDLE_VALUE) {
        Abandon(file);
        return kNoFile;
    }
    // A device name such as CON, missed by the attributes, is no disk file.
    if (GetFileType(file->handle) != FILE_TYPE_DISK) {
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
        const DWORD chunk = length > 0x40000000 ? 0x40000000 : DWORD(length);
        DWORD written = 0;
        if (!WriteFile(file->handle, bytes, chunk, &written, nullptr) || written == 0)
            return false;
        bytes += written;
        length -= written;
    }
    return true;
}

bool CloseFileHandle(FileHandle file)
{
    if (!file)
        return false;
    const bool flushed = FlushFileBuffers(file->handle) != 0;
    const bool closed = CloseHandle(file->handle) != 0;
    file->handle = INVALID_HANDLE_VALUE;
    if (!flushed || !closed ||
        !MoveFileExA(file->temporary.c_str(), file->target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        Abandon(file);
        return false;
    }
    delete file;
    return true;
}

void DiscardFile(FileHandle file)
{
    if (file)
        Abandon(file);
}
