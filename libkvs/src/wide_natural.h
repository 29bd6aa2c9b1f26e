// Natural numbers of a fixed number of 64-bit words, least significant
// first: the little arithmetic the exact keys of a float table need (sums,
// squares, differences, comparisons), where a number may be wider than any
// built-in integer.
#pragma once

#include <cstdint>

#include "wide_score.h"

namespace kvs {

// -1, 0 or 1 as a is below, equal to or above b.
inline int CompareWide(const uint64_t* a, const uint64_t* b, int words)
{
    for (int i = words - 1; i >= 0; --i)
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    return 0;
}

// sum += x, where x has xWords words and the sum (sumWords words) holds the result.
inline void AddWide(uint64_t* sum, int sumWords, const uint64_t* x, int xWords)
{
    uint64_t carry = 0;
    for (int i = 0; i < sumWords && (i < xWords || carry); ++i) {
        const SearchScore total = SearchScore(sum[i]) + (i < xWords ? x[i] : 0) + carry;
        sum[i] = uint64_t(total);
        carry = uint64_t(total >> 64);
    }
}

// difference = a - b for a >= b, all of `words` words.
inline void SubtractWide(const uint64_t* a, const uint64_t* b, uint64_t* difference, int words)
{
    uint64_t borrow = 0;
    for (int i = 0; i < words; ++i) {
        const uint64_t step = a[i] - b[i];
        const uint64_t next = (a[i] < b[i]) | (step < borrow);
        difference[i] = step - borrow;
        borrow = next;
    }
}

// sum += x², x of xWords words; the sum (sumWords words) holds the result.
inline void AddSquareWide(uint64_t* sum, int sumWords, const uint64_t* x, int xWords)
{
    for (int i = 0; i < xWords; ++i) {
        if (x[i] == 0)
            continue;
        uint64_t carry = 0;
        int k = i;
        for (int j = 0; j < xWords; ++j, ++k) {
            const SearchScore total = SearchScore(x[i]) * x[j] + sum[k] + carry;
            sum[k] = uint64_t(total);
            carry = uint64_t(total >> 64);
        }
        for (; carry && k < sumWords; ++k) {
            const SearchScore total = SearchScore(sum[k]) + carry;
            sum[k] = uint64_t(total);
            carry = uint64_t(total >> 64);
        }
    }
}

}  // namespace kvs
