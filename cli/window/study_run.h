// The measurement behind kvs study: for each noise level, trials of the
// window's experiment (a pick, a series of background vectors and copies of
// the pick under noise, a search), scored against the truth the experiment
// knows. Plain computation: no output, no toolkit.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "cli/error_report.h"
#include "vectors/noise_generators.h"  // kLargestNoiseLevel

struct StudySettings {
    std::vector<int32_t> levels;  // noise levels, each the noise's standard deviation
    int32_t trials = 50;
    uint64_t seed = 1;
    int32_t length = 1000;  // elements of a series
    int32_t repeats = 502;  // copies of the pick at its end
    int32_t size = 502;     // the subset searched for
    int threads = 0;        // 0: every core
};

// What one trial found.
struct TrialScore {
    double precision = 0;    // share of the subset that are copies of the pick
    double recall = 0;       // share of the copies that are in the subset
    double centreError = 0;  // from the found centre's clean vector to the pick
};

struct Summary {
    double mean = 0;
    double min = 0;
    double max = 0;
};

struct LevelSummary {
    int32_t noise = 0;
    int32_t trials = 0;
    Summary precision;
    Summary recall;
    Summary centreError;
};

// The trial's pick, uniform over the window's plane, and the two generator
// states its series is drawn from: all three from the seed and the trial's
// number alone, so that a trial gives the same numbers on any thread and at
// every level.
struct TrialDraw {
    int32_t x = 0;
    int32_t y = 0;
    int16_t backgroundState = 0;
    int16_t noiseState = 0;
};
TrialDraw DrawTrial(uint64_t seed, int64_t trial);

// One trial at one level: the series built by the window's builder and noise,
// searched by the exact engine on one thread.
ToolError RunTrial(const StudySettings& settings, int32_t level, int64_t trial, TrialScore& score,
                   const std::atomic<bool>* cancel = nullptr);

// Called with the fraction of trials done, from the working threads, never
// two at a time.
using StudyProgress = void (*)(void* context, double fractionDone);

// Every level's trials, spread over the threads; the summaries do not depend
// on the number of threads.
ToolError RunStudy(const StudySettings& settings, std::vector<LevelSummary>& summaries,
                   StudyProgress progress = nullptr, void* progressContext = nullptr,
                   const std::atomic<bool>* cancel = nullptr);
