// The decreasing-step (Shell) index sorts and their order checkers.
//
// Each sort fills index with 0 .. n-1 and permutes it so that the keys, read
// through it, are in the member's order; the keys are never moved. Given no
// index array, a sort allocates one of n entries (release it with
// ReleaseMemory) and returns none when that fails. Gaps run ..., 40, 13, 4, 1,
// starting from the member h of 1, 4, 13, ... whose second successor is at least n.
#pragma once

#include <cstdint>

// The first (largest) gap of a sort of n entries; every later gap is a third of the one before.
int32_t DecreaseStepFirstGap(int32_t n);

// Ascending; an entry being placed passes only strictly greater keys.
int32_t* DecreaseStepSortingInt64(int32_t n, const int64_t* keys, int32_t* index);
// Descending; an entry being placed passes keys it is greater than or equal to.
int32_t* DecreaseStepSortingDouble(int32_t n, const double* keys, int32_t* index);
int32_t* DecreaseStepSortingShort(int32_t n, const int16_t* keys, int32_t* index);
int32_t* DecreaseStepSortingLong(int32_t n, const int32_t* keys, int32_t* index);

// 1 when every adjacent pair read through index is in the member's order, else 0.
int32_t CheckSortingInt64(int32_t n, const int64_t* keys, const int32_t* index);
int32_t CheckSortingDouble(int32_t n, const double* keys, const int32_t* index);
int32_t CheckSortingShort(int32_t n, const int16_t* keys, const int32_t* index);
int32_t CheckSortingLong(int32_t n, const int32_t* keys, const int32_t* index);
