#include "vectors/noise_generators.h"

int16_t noiseState = kInitialNoiseState;
int16_t backgroundState = kInitialBackgroundState;

int16_t RandomStep(int16_t& state)
{
    // Only the low 15 bits survive, so unsigned wrapping arithmetic gives the
    // same step as 16-bit arithmetic would.
    state = int16_t((uint32_t(uint16_t(state)) * 12869u + 6925u) & 0x7FFFu);
    return state;
}

int32_t NoiseSample(int16_t& state, int32_t mean, int32_t level)
{
    int32_t sum = 0;
    for (int step = 0; step < 12; ++step)
        sum += RandomStep(state);
    const int32_t centred = sum - 0x30000;
    // A 32-bit product; levels past +-10922 wrap instead of overflowing.
    const int32_t product = int32_t(uint32_t(centred) * uint32_t(int32_t(int16_t(level))));
    const int32_t scaled = product >> 15; // arithmetic: rounds towards minus infinity
    return scaled + int16_t(mean);
}
