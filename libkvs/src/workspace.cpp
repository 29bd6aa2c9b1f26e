#include "workspace.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace kvs {

namespace {
// Asks the kernel to map the whole huge pages inside the block as such when
// they are first touched. Advice only: the contents do not change, and pages
// already touched stay as they are.
void AdviseHugePages(void* block, size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr uintptr_t kHugePage = uintptr_t(1) << 21;
    const uintptr_t first = (reinterpret_cast<uintptr_t>(block) + kHugePage - 1) / kHugePage * kHugePage;
    const uintptr_t last = (reinterpret_cast<uintptr_t>(block) + bytes) / kHugePage * kHugePage;
    if (first < last)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)block, (void)bytes;
#endif
}

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
    AdviseHugePages(block, bytes);
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
