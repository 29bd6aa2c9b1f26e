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
constexpr uintptr_t kHugePage = uintptr_t(1) << 21;

uintptr_t AlignUp(uintptr_t address, uintptr_t alignment) { return (address + alignment - 1) / alignment * alignment; }

// Asks the kernel to map the whole huge pages of [used, used + bytes) as
// such when they are first touched. Advice only: the contents do not change,
// and pages already touched stay as they are.
void AdviseHugePages(unsigned char* used, size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    const uintptr_t first = AlignUp(reinterpret_cast<uintptr_t>(used), kHugePage);
    const uintptr_t last = (reinterpret_cast<uintptr_t>(used) + bytes) / kHugePage * kHugePage;
    if (first < last)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)used, (void)bytes;
#endif
}

// A block from the allocator, or the C heap when it has none.
void* Allocate(const Allocator& allocator, size_t bytes, Fill fill)
{
    if (allocator.allocate)
        return allocator.allocate(allocator.context, bytes);
    return fill == Fill::Zeros ? std::calloc(bytes, 1) : std::malloc(bytes);
}
}  // namespace

Workspace::Workspace(const Allocator& allocator, int threads, uint64_t bytesPerSlice, Fill fill)
    : allocator(allocator)
{
    const uint64_t limit = std::numeric_limits<size_t>::max() / 2;
    if (threads < 1 || bytesPerSlice > limit / uint64_t(threads) - 2 * kHugePage)
        return;
    stride = size_t((bytesPerSlice + 63) / 64 * 64);
    const size_t used = size_t(threads) * stride;
    const uintptr_t alignment = used >= kHugePage ? kHugePage : 64;
    block = Allocate(allocator, used + alignment, fill);
    if (!block)
        return;
    first = reinterpret_cast<unsigned char*>(AlignUp(reinterpret_cast<uintptr_t>(block), alignment));
    AdviseHugePages(first, used);
    // The C heap's calloc has filled it already.
    if (allocator.allocate && fill == Fill::Zeros)
        std::memset(first, 0, used);
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
