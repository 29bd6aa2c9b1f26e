#include "seams/test_seams.h"

#include <atomic>

namespace {
// Atomic, so that searches running side by side on several threads can take
// their working storage from the heap.
std::atomic<long> liveBlocks = 0;
std::atomic<long> allocationsSeen = 0;
std::atomic<long> failAt = 0; // allocation number that fails, 0 for none
std::atomic<bool> failOnward = false;
long closesUntilFailure = 0;  // the close that fails, counted down; 0 for none

bool RefuseAllocation()
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

void CountBlocks(long change) { liveBlocks += change; }

bool FailFileClose() { return closesUntilFailure > 0 && --closesUntilFailure == 0; }
} // namespace

TestHooks testHooks = {RefuseAllocation, CountBlocks, FailFileClose, nullptr, nullptr};

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

void FailNthFileClose(long n) { closesUntilFailure = n; }
