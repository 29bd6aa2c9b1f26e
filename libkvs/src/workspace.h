// Working storage of a search: one block from the request's allocator, cut
// into equal slices, one per thread, zero-filled unless its user writes every
// value before reading it. Released when it goes out of scope. On Linux the
// kernel is asked to back a large block with huge pages: a fresh 4 KiB page
// costs a fault the first time it is written, and on a virtual machine a
// fault can cost more than filling the page. Such a block is asked for a
// huge page longer than it needs and used from its first huge page boundary
// on, so that every page of it can be huge; the room before that boundary
// is never touched.
#pragma once

#include <cstddef>
#include <cstdint>

#include <kvs/search.h>

namespace kvs {

// The bytes that count values of T take in a slice: rounded up to 16, so
// that every array carved after it is aligned for any key type.
template <typename T>
constexpr uint64_t SliceBytes(uint64_t count)
{
    return (count * sizeof(T) + 15) / 16 * 16;
}

// Room for count values of T at cursor; moves the cursor past it.
template <typename T>
T* Carve(unsigned char*& cursor, uint64_t count)
{
    T* room = reinterpret_cast<T*>(cursor);
    cursor += SliceBytes<T>(count);
    return room;
}

// Whether a block is zero-filled before it is handed out.
enum class Fill { Zeros, None };

class Workspace {
public:
    // threads slices of bytesPerSlice each; valid() is false when the block
    // could not be had or its size does not fit the address space.
    Workspace(const Allocator& allocator, int threads, uint64_t bytesPerSlice, Fill fill = Fill::Zeros);
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    bool valid() const { return block != nullptr; }
    // Slice t, aligned to 64 bytes; in a block of a huge page or more, the
    // first slice starts on a huge page.
    unsigned char* slice(int t) const { return first + size_t(t) * stride; }

private:
    Allocator allocator;
    void* block = nullptr;
    unsigned char* first = nullptr;
    size_t stride = 0;
};

}  // namespace kvs
