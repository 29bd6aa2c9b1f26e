// The program's heap. Every block the program owns comes from here, so that
// tests can make a chosen allocation fail and count what is still held: test
// programs link a heap with those seams in place of the shipped one, which
// has none.
#pragma once

#include <cstddef>

// A zero-filled block of the given size, or none when the heap (or the test
// seam) refuses it. A size of 0 still yields a distinct block.
void* AllocateZeroed(std::size_t bytes);

// Releases a block from AllocateZeroed; none is ignored.
void ReleaseMemory(void* block);

// Test builds only: the Nth allocation from now on (1 = the next one) fails, once.
// 0 turns failing off.
void FailNthAllocation(long n);

// Test builds only: every allocation from the Nth on fails until failing is turned off.
void FailAllocationsFrom(long n);

// Test builds only: blocks handed out and not yet released.
long LiveAllocationCount();
