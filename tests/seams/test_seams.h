// What tests steer through the hooks of test builds (platform/test_hooks.h):
// a heap that refuses chosen allocations and counts the blocks it holds, and
// file closes that fail on demand. The hooks are in place from the start of
// every test program, so every block is counted; a test hands the search a
// sort of its own through testHooks.searchSort.
#pragma once

#include "platform/test_hooks.h"

// The Nth allocation from now on (1 = the next one) fails, once. 0 turns failing off.
void FailNthAllocation(long n);

// Every allocation from the Nth on fails until failing is turned off.
void FailAllocationsFrom(long n);

// Blocks handed out and not yet released.
long LiveAllocationCount();

// The Nth close from now on (1 = the next one) fails, once, after the content
// is flushed and before it replaces the target. 0 turns failing off.
void FailNthFileClose(long n);
