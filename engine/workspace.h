// Working storage of a search: one zero-filled block from the program's heap,
// cut into equal slices, one per thread. Released when it goes out of scope.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/memory.h"

class Workspace {
public:
    // threads slices of bytesPerSlice each; valid() is false when the block
    // could not be had or its size does not fit the address space.
    Workspace(int threads, uint64_t bytesPerSlice);
    ~Workspace() { ReleaseMemory(block); }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    bool valid() const { return block != nullptr; }
    // Slice t, aligned to 64 bytes.
    unsigned char* slice(int t) const { return static_cast<unsigned char*>(block) + 64 + size_t(t) * stride - offset; }

private:
    void* block = nullptr;
    size_t stride = 0;
    size_t offset = 0;
};
