// Files through the system's handles, by the rules of platform/file_io.h: a
// disk file is written beside the target under a temporary name and moved
// over it only when complete; a device or a pipe is written straight through.
// A symbolic link to a file has the file it ends at replaced. Opening never
// waits: a pipe that no server offers fails at once.
#include "platform/file_io.h"
#include "platform/win32/handles.h"

#include <algorithm>
#include <new>
#include <string>
#include <utility>

struct PendingFile {
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::string temporary; // where the content is written; empty when written straight through
    std::string target;    // the file it replaces
};

namespace {

// Large writes go in pieces a single call can take.
constexpr DWORD kWritePiece = 1u << 30;

thread_local DWORD lastError = 0;

FileHandle Opened(PendingFile* file)
{
    lastError = 0;
    return file;
}

FileHandle OpenFailed(DWORD error)
{
    lastError = error;
    return kNoFile;
}

bool Done(bool ok, DWORD error)
{
    lastError = ok ? 0 : error;
    return ok;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos)
        return ".";
    return path.substr(0, slash + 1);
}

// The path of the file a link ends at, without the "\\?\" that the
// system puts before a drive letter.
bool FinalPathOf(HANDLE file, std::string* path)
{
    char finalPath[MAX_PATH];
    const DWORD length = GetFinalPathNameByHandleA(file, finalPath, sizeof finalPath, FILE_NAME_NORMALIZED);
    if (length == 0 || length >= sizeof finalPath)
        return false;
    const std::string found(finalPath, length);
    *path = found.rfind("\\\\?\\", 0) == 0 && found.size() > 6 && found[5] == ':' ? found.substr(4) : found;
    return true;
}

// What a name is: a disk file (its path with any links followed), a device
// or pipe, or nothing yet.
enum class Kind { Missing, DiskFile, Device };

// Looks at the name through a handle that may neither read nor write, so
// that device names (CON, NUL) show what they are. A pipe is never opened
// to be looked at: that would take one of its server's instances.
bool Classify(const std::string& path, Kind* kind, std::string* target, DWORD* attributes)
{
    *target = path;
    if (path.rfind("\\\\.\\", 0) == 0) {
        *kind = Kind::Device;
        return true;
    }
    const HANDLE probe = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        *kind = Kind::Missing;
        lastError = error;
        return error == ERROR_FILE_NOT_FOUND;
    }
    bool ok = true;
    if (GetFileType(probe) != FILE_TYPE_DISK) {
        *kind = Kind::Device;
    } else {
        BY_HANDLE_FILE_INFORMATION information = {};
        ok = GetFileInformationByHandle(probe, &information) != 0;
        *attributes = information.dwFileAttributes;
        *kind = Kind::DiskFile;
        if (ok && (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT))
            ok = FinalPathOf(probe, target);
    }
    lastError = GetLastError();
    CloseHandle(probe);
    return ok;
}

// Closes and deletes the temporary file and releases the handle.
void Abandon(PendingFile* file)
{
    if (file->handle != INVALID_HANDLE_VALUE)
        CloseHandle(file->handle);
    if (!file->temporary.empty())
        DeleteFileA(file->temporary.c_str());
    delete file;
}

FileHandle OpenStraight(const std::string& path)
{
    auto* file = new (std::nothrow) PendingFile;
    if (!file)
        return OpenFailed(ERROR_NOT_ENOUGH_MEMORY);
    file->handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file->handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        delete file;
        return OpenFailed(error);
    }
    return Opened(file);
}

FileHandle OpenBeside(const std::string& target)
{
    char temporary[MAX_PATH];
    if (GetTempFileNameA(FolderOf(target).c_str(), "kvs", 0, temporary) == 0)
        return OpenFailed(GetLastError());
    auto* file = new (std::nothrow) PendingFile;
    if (!file) {
        DeleteFileA(temporary);
        return OpenFailed(ERROR_NOT_ENOUGH_MEMORY);
    }
    file->temporary = temporary;
    file->target = target;
    file->handle = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file->handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        Abandon(file);
        return OpenFailed(error);
    }
    return Opened(file);
}

} // namespace

FileHandle OpenFileForWriting(const char* path, const std::atomic<bool>*)
{
    if (!path || !*path)
        return OpenFailed(ERROR_PATH_NOT_FOUND);
    Kind kind = Kind::Missing;
    std::string target;
    DWORD attributes = 0;
    if (!Classify(path, &kind, &target, &attributes))
        return OpenFailed(lastError);
    if (kind == Kind::Device)
        return OpenStraight(target);
    // A folder, and a file marked read-only, are never replaced.
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
        return OpenFailed(ERROR_ACCESS_DENIED);
    return OpenBeside(target);
}

bool WriteFileBytes(FileHandle file, const void* data, std::size_t length)
{
    if (!file)
        return Done(false, ERROR_INVALID_HANDLE);
    const char* bytes = static_cast<const char*>(data);
    while (length > 0) {
        DWORD written = 0;
        if (!WriteFile(file->handle, bytes, DWORD(std::min<std::size_t>(length, kWritePiece)), &written, nullptr))
            return Done(false, GetLastError());
        if (written == 0)
            return Done(false, ERROR_DISK_FULL);
        bytes += written;
        length -= written;
    }
    return Done(true, 0);
}

bool CloseFileHandle(FileHandle file)
{
    if (!file)
        return Done(false, ERROR_INVALID_HANDLE);
    DWORD error = 0;
    // A device or a pipe has nothing to flush to a disk.
    if (!file->temporary.empty() && !FlushFileBuffers(file->handle))
        error = GetLastError();
    if (!CloseHandle(std::exchange(file->handle, INVALID_HANDLE_VALUE)) && !error)
        error = GetLastError();
    if (!error && !file->temporary.empty() &&
        !MoveFileExA(file->temporary.c_str(), file->target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error) {
        Abandon(file);
        return Done(false, error);
    }
    delete file;
    return Done(true, 0);
}

void DiscardFile(FileHandle file)
{
    if (file)
        Abandon(file);
}

int LastFileError() { return int(lastError); }
