// A grid search split over the ranks by space rather than by centres.
//
// Each rank takes the centres of one slab of the table (the rows whose value
// in one column lies between two cuts, about as many rows in each) and
// searches them against its slab widened by a halo on both sides, so that it
// sorts only those rows into its grid instead of the whole table. The answer
// stays exact for every table: the halo h is chosen with h² at least the
// score of some centre of the table (each rank scores one, and the smallest
// counts). A row whose key to a centre is at most that score differs from
// the centre by at most h in the cut column, so it lies in the centre's
// widened slab; the winner's score is at most that score, so the winner and
// every centre that ties it see all of their s nearest rows and score exactly,
// and every other centre scores no less than exactly. A slab's centres keep
// table order, so of equal scores the later row still wins.
#pragma once

#include <cstdint>
#include <vector>

#include <kvs/search.h>

struct SlabSplit {
    int32_t column = 0;            // the column the slabs cut
    std::vector<int64_t> cuts;     // ranks - 1 values, rising: slab r holds values in [cuts[r - 1], cuts[r])
    std::vector<int64_t> samples;  // one row a slab (or any row where a slab samples none), scored for the halo
};

// The cuts and the sampled rows for the given number of ranks, from a sample
// of the rows; the same on every rank for the same table.
SlabSplit SplitIntoSlabs(const kvs::VectorTable& table, int ranks);

// The exact score of one centre: the sum of its size smallest keys.
kvs::Score CentreScore(const kvs::VectorTable& table, int64_t size, int64_t centre);

// The least h with h * h at least the score.
int64_t HaloFor(const kvs::Score& score);

// A rank's part of the table: the centres of its slab, then the other rows
// within the halo of it, each part in table order.
struct SlabTable {
    std::vector<int32_t> values;
    int64_t rows = 0;
    int64_t centres = 0;               // rows 0 .. centres - 1 are the slab's centres
    std::vector<int32_t> centreRows;   // each centre's row in the table

    kvs::VectorTable View(int32_t dimension) const { return {values.data(), rows, dimension}; }
};

// Rank's slab with the given halo; false, with slab empty, without the memory.
bool TakeSlab(const kvs::VectorTable& table, const SlabSplit& split, int rank, int64_t halo, SlabTable& slab);
