// Tables and searches for the engine tests, and the window's own search as
// the reference every method is held to.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/subset_engine.h"

struct Table {
    std::vector<int32_t> values;
    int64_t rows = 0;
    int32_t dimension = 0;

    VectorTable view() const { return {values.data(), rows, dimension}; }
};

struct Found {
    SearchStatus status = SearchStatus::BadArgument;
    int64_t centre = 0;
    SearchScore score = 0;
    std::vector<int64_t> subset;
};

// rows x dimension coordinates drawn evenly from -spread .. spread.
Table RandomTable(int64_t rows, int32_t dimension, int32_t spread, uint32_t seed);

Found Search(const Table& table, int64_t size, SearchMethod method, int threads);

// The window's search over the same rows (with its 32-bit squares and its
// starting best, so only for tables where neither matters).
Found WindowSearch(const Table& table, int32_t size);
