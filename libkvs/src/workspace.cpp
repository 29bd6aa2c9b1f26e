#include "workspace.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace kvs {

namespace {
// A block from the allocator, or the C heap when it has none; zero-filled
// when asked.
void* Allocate(const Allocator& allocator, size_t bytes, Fill fill)
{
    void* block = nullptr;
    if (!allocator.allocate)
        block = fill == Fill::Zeros ? std::calloc(bytes, 1) : std::malloc(bytes);
    else
        block = allocator.allocate(allocator.context, bytes);
    if (!block)
        return nullptr;
    if (allocator.allocate && fill == Fill::Zeros)
        std::memset(block, 0, bytes);
    return block;
}
}  // namespace

Workspace::Workspace(const Allocator& allocator, int threads, uint64_t bytesPerSlice, Fill fill)
    : allocator(allocator)
{
    const uint64_t limit = std::numeric_limits<size_t>::max() / 2;
    if (threads < 1 || bytesPerSlice > limit / uint64_t(threads) - 128)
        return;
    stride = size_t((bytesPerSlice + 63) / 64 * 64);
    block = Allocate(allocator, size_t(threads) * stride + 64, fill);
    if (block)
        offset = size_t(reinterpret_cast<uintptr_t>(block) % 64);
}

Workspace::~Workspace()
{
    if (!block)
        return;
    if (allocator.release)
        allocator.release(allocator.context, block);
    else
        std::free(block);
}

}  // namespace kvs
