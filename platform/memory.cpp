// The program's heap as shipped: the C library's, with no bookkeeping. Test
// builds link a heap with a failure seam and a block count in its place.
#include "platform/memory.h"

#include <cstdlib>

void* AllocateZeroed(std::size_t bytes)
{
    return std::calloc(bytes == 0 ? 1 : bytes, 1);
}

void ReleaseMemory(void* block)
{
    std::free(block);
}
