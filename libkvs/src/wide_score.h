// The engine's own exact score: GCC's unsigned 128-bit integer, which it adds
// and compares in a couple of instructions. Results carry it out as the
// public Score.
#pragma once

#include <cstdint>

#include <kvs/score.h>

namespace kvs {

using SearchScore = unsigned __int128;

constexpr Score ToScore(SearchScore score) { return {uint64_t(score >> 64), uint64_t(score)}; }
constexpr SearchScore FromScore(const Score& score) { return SearchScore(score.high) << 64 | score.low; }

// Room for the decimal digits of any score.
constexpr int kScoreDigits = 39;

// Writes the decimal digits of score so that they end just before end;
// returns where they begin.
char* WriteScoreDigits(SearchScore score, char* end);

}  // namespace kvs
