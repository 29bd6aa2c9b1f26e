// The test builds' heap: the program's own allocation, with a seam that makes
// a chosen allocation fail and a count of the blocks still held. Linked as an
// object file, it takes the place of the shipped heap in every test program.
#include "platform/memory.h"

#include <atomic>
#include <cstdlib>

namespace {
// Atomic, so that searches running side by side on several threads can take
// their working storage from here.
std::atomic<long> liveBlocks = 0;
std::atomic<long> allocationsSeen = 0;
std::atomic<long> failAt = 0; // allocation number that fails, 0 for none
std::atomic<bool> failOnward = false;

bool SeamRefuses()
{
    const long seen = ++allocationsSeen;
    const long at = failAt;
    if (at == 0)
        return false;
    if (seen == at) {
        if (!failOnward)
            failAt = 0;
        return true;
    }
    return failOnward && seen > at;
}
}

void* AllocateZeroed(std::size_t bytes)
{
    if (SeamRefuses())
        return nullptr;
    void* block = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (block)
        ++liveBlocks;
    return block;
}

void ReleaseMemory(void* block)
{
    if (!block)
        return;
    --liveBlocks;
    std::free(block);
}

void FailNthAllocation(long n)
{
    allocationsSeen = 0;
    failAt = n;
    failOnward = false;
}

void FailAllocationsFrom(long n)
{
    allocationsSeen = 0;
    failAt = n;
    failOnward = n != 0;
}

long LiveAllocationCount() { return liveBlocks; }
