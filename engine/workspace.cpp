#include "engine/workspace.h"

#include <cstdint>
#include <limits>

Workspace::Workspace(int threads, uint64_t bytesPerSlice)
{
    const uint64_t limit = std::numeric_limits<size_t>::max() / 2;
    if (threads < 1 || bytesPerSlice > limit / uint64_t(threads) - 128)
        return;
    stride = size_t((bytesPerSlice + 63) / 64 * 64);
    block = AllocateZeroed(size_t(threads) * stride + 64);
    if (block)
        offset = size_t(reinterpret_cast<uintptr_t>(block) % 64);
}
