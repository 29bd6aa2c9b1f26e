// The 15-bit linear congruential generator and the pseudo-Gaussian noise
// drawn from it. Two process-wide states, never reseeded, so the same actions
// give the same numbers in every run.
#pragma once

#include <cstdint>

extern int16_t noiseState;      // starts at 10597
extern int16_t backgroundState; // starts at 11157

constexpr int16_t kInitialNoiseState = 10597;
constexpr int16_t kInitialBackgroundState = 11157;

// A pair of states apart from the process-wide pair, starting where it starts:
// each main window's own, or the ones a series is asked to be drawn from
// (vectors/series_builder.h).
struct GeneratorStates {
    int16_t noise = kInitialNoiseState;
    int16_t background = kInitialBackgroundState;
};

// The largest level NoiseSample scales without overflow (see below).
constexpr int32_t kLargestNoiseLevel = 10922;

// Advances state to (state * 12869 + 6925) mod 32768 and returns it.
int16_t RandomStep(int16_t& state);

// Twelve steps summed, centred and scaled by level: about mean + level * N(0, 1).
// Only the low 16 bits of mean and level count.
int32_t NoiseSample(int16_t& state, int32_t mean, int32_t level);
