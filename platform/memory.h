// The program's heap. Every block the program owns comes from here, so that
// tests can make a chosen allocation fail and count what is still held,
// through the hooks of test builds (platform/test_hooks.h).
#pragma once

#include <cstddef>

// A zero-filled block of the given size, or none when the heap refuses it.
// A size of 0 still yields a distinct block.
void* AllocateZeroed(std::size_t bytes);

// Releases a block from AllocateZeroed; none is ignored.
void ReleaseMemory(void* block);
