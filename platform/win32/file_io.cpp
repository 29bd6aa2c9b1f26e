// Files through the system's handles.
#include "platform/file_io.h"
#include "platform/win32/handles.h"

FileHandle OpenFileForWriting(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    return file == INVALID_HANDLE_VALUE ? kNoFile : FileHandle(file);
}

bool WriteFileBytes(FileHandle file, const void* data, std::size_t length)
{
    const char* bytes = static_cast<const char*>(data);
    while (length > 0) {
        const DWORD chunk = length > 0x40000000 ? 0x40000000 : DWORD(length);
        DWORD written = 0;
        if (!WriteFile(reinterpret_cast<HANDLE>(file), bytes, chunk, &written, nullptr) || written == 0)
            return false;
        bytes += written;
        length -= written;
    }
    return true;
}

bool CloseFileHandle(FileHandle file)
{
    return CloseHandle(reinterpret_cast<HANDLE>(file)) != 0;
}
