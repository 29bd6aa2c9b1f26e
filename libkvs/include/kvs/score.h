// An exact score: the sum of a centre's s smallest squared distances, an
// unsigned 128-bit integer (every score of a search is below 2^126) kept as
// two 64-bit halves, so that the header needs nothing beyond standard C++.
#pragma once

#include <cstdint>
#include <string>

#include <kvs/export.h>

namespace kvs {

// The value high * 2^64 + low.
struct Score {
    uint64_t high = 0;
    uint64_t low = 0;
};

constexpr bool operator==(const Score& a, const Score& b) { return a.high == b.high && a.low == b.low; }
constexpr bool operator!=(const Score& a, const Score& b) { return !(a == b); }
constexpr bool operator<(const Score& a, const Score& b) { return a.high != b.high ? a.high < b.high : a.low < b.low; }
constexpr bool operator>(const Score& a, const Score& b) { return b < a; }
constexpr bool operator<=(const Score& a, const Score& b) { return !(b < a); }
constexpr bool operator>=(const Score& a, const Score& b) { return !(a < b); }

// The exact decimal digits, as "340282366920938463463374607431768211455" for 2^128 - 1.
KVS_API std::string to_string(const Score& score);

// The nearest double (ties to even), as a conversion of the 128-bit integer gives it.
KVS_API double to_double(const Score& score);

}  // namespace kvs
