// Tables and searches for the engine tests, the window's own search as the
// reference every method is held to, and an allocator hook that fails on
// demand and counts what it holds.
#pragma once

#include <atomic>
#include <cstdint>
#include <ostream>
#include <vector>

#include <kvs/search.h>

namespace kvs {
// Scores in test messages as their digits.
inline void PrintTo(const Score& score, std::ostream* out) { *out << to_string(score); }
}  // namespace kvs

struct Table {
    std::vector<int32_t> values;
    int64_t rows = 0;
    int32_t dimension = 0;

    kvs::VectorTable view() const { return {values.data(), rows, dimension}; }
};

struct Found {
    kvs::SearchStatus status = kvs::SearchStatus::BadArgument;
    int64_t centre = kvs::kNoCentre;
    kvs::Score score;
    std::vector<int64_t> subset;
};

// rows x dimension coordinates drawn evenly from -spread .. spread.
Table RandomTable(int64_t rows, int32_t dimension, int32_t spread, uint32_t seed);

// Over the centres [centreBegin, centreEnd) (-1: to the last row).
Found Search(const Table& table, int64_t size, kvs::SearchMethod method, int threads,
             const kvs::Allocator& allocator = {}, int64_t centreBegin = 0, int64_t centreEnd = -1);

// The window's search over the same rows (with its 32-bit squares and its
// starting best, so only for tables where neither matters), its centre
// counted from 0 like the engine's.
Found WindowSearch(const Table& table, int32_t size);

// Hands out blocks from the C heap filled with junk, so that a search that
// reads what it did not write goes wrong.
kvs::Allocator JunkFilledHeap();

// Hands out blocks from the C heap, refusing the failAt-th allocation
// (1 = the first; 0 refuses none), and counts the blocks it holds.
struct CountingAllocator {
    std::atomic<long> live{0};
    std::atomic<long> seen{0};
    long failAt = 0;

    kvs::Allocator hook();
};
