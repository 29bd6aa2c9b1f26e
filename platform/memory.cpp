// The program's heap: the C library's, with no bookkeeping. Test builds can
// refuse a block and count those held through their hooks (platform/test_hooks.h).
#include "platform/memory.h"

#include <cstdlib>

#include "platform/test_hooks.h"

void* AllocateZeroed(std::size_t bytes)
{
#ifdef KV_TEST_HOOKS
    if (testHooks.refuseAllocation && testHooks.refuseAllocation())
        return nullptr;
#endif
    void* block = std::calloc(bytes == 0 ? 1 : bytes, 1);
#ifdef KV_TEST_HOOKS
    if (block && testHooks.blockCountChanged)
        testHooks.blockCountChanged(1);
#endif
    return block;
}

void ReleaseMemory(void* block)
{
#ifdef KV_TEST_HOOKS
    if (block && testHooks.blockCountChanged)
        testHooks.blockCountChanged(-1);
#endif
    std::free(block);
}
