// Files the program writes.
#pragma once

#include <cstddef>
#include <cstdint>

// A descriptor or a system handle, whichever the platform's files use.
using FileHandle = intptr_t;
constexpr FileHandle kNoFile = -1;

// Creates the file or truncates an existing one; kNoFile on failure.
FileHandle OpenFileForWriting(const char* path);

// Writes all length bytes; false when the system refuses or writes fewer.
bool WriteFileBytes(FileHandle file, const void* data, std::size_t length);

// False when the system reports that closing failed.
bool CloseFileHandle(FileHandle file);

// Test builds only: the Nth close from now on (1 = the next one) closes the
// file but reports failure, once. 0 turns failing off.
void FailNthFileClose(long n);
