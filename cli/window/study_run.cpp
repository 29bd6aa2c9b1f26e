#include "cli/window/study_run.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <string>
#include <thread>

#include <kvs/search.h>

#include "vectors/series_builder.h"

namespace {

constexpr int32_t kDimension = kSeriesDimension;
constexpr int32_t kPickDescriptor = 1; // the identity the copies of the first pick carry

// SplitMix64: a well-mixed 64-bit value from any counter.
uint64_t Mix(uint64_t x)
{
    x += 0x9E3779B97F4A7C15u;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
    return x ^ (x >> 31);
}

// The window's experiment: one pick, the background drawn and the copies
// laid at the end by the window's builder, then the window's noise.
ToolError BuildTrialSeries(const StudySettings& settings, int32_t level, const TrialDraw& draw, SeriesRows& out)
{
    const int32_t pick[kDimension] = {draw.x, draw.y};
    const int32_t levels[] = {level};
    if (!BuildSeriesRows(pick, kDimension, levels, settings.length, settings.repeats,
                         {draw.noiseState, draw.backgroundState}, out))
        return RunFailure("out of memory while building a series of " + Counted(settings.length, "vector"));
    return {};
}

Summary Summarise(const std::vector<TrialScore>& scores, size_t first, size_t count, double TrialScore::*field)
{
    Summary s{0, scores[first].*field, scores[first].*field};
    for (size_t i = first; i < first + count; ++i) {
        const double v = scores[i].*field;
        s.mean += v;
        s.min = std::min(s.min, v);
        s.max = std::max(s.max, v);
    }
    s.mean /= double(count);
    return s;
}

} // namespace

TrialDraw DrawTrial(uint64_t seed, int64_t trial)
{
    const uint64_t base = Mix(seed) ^ Mix(uint64_t(trial) + 0x5851F42D4C957F2Du);
    const int32_t range = kCoordinateRange;
    const uint64_t side = uint64_t(2 * range + 1);
    TrialDraw draw;
    draw.x = int32_t(Mix(base + 1) % side) - range;
    draw.y = int32_t(Mix(base + 2) % side) - range;
    draw.backgroundState = int16_t(Mix(base + 3) & 0x7FFF);
    draw.noiseState = int16_t(Mix(base + 4) & 0x7FFF);
    return draw;
}

ToolError RunTrial(const StudySettings& settings, int32_t level, int64_t trial, TrialScore& score,
                   const std::atomic<bool>* cancel)
{
    const TrialDraw draw = DrawTrial(settings.seed, trial);
    SeriesRows series;
    if (ToolError error = BuildTrialSeries(settings, level, draw, series))
        return error;

    kvs::SearchRequest request;
    request.table = {series.noisy.data(), settings.length, kDimension};
    request.size = settings.size;
    request.threads = 1; // the trials are what runs in parallel
    request.cancel = cancel;
    std::vector<int64_t> subset(size_t(settings.size));
    kvs::SearchResult result;
    result.subset = subset.data();
    const kvs::SearchStatus status = kvs::SearchSimilarRows(request, result);
    if (status == kvs::SearchStatus::Cancelled)
        return InterruptedError();
    if (status != kvs::SearchStatus::Ok || result.centre == kvs::kNoCentre)
        return RunFailure(std::string("the search failed: ") + kvs::SearchStatusMessage(status));

    const auto copies = std::count(series.identities.begin(), series.identities.end(), kPickDescriptor);
    const auto found = std::count_if(subset.begin(), subset.end(),
                                     [&](int64_t row) { return series.identities[size_t(row)] == kPickDescriptor; });
    const int32_t* centre = &series.clean[size_t(result.centre) * kDimension];
    score.precision = double(found) / double(settings.size);
    score.recall = double(found) / double(copies);
    score.centreError = std::hypot(double(centre[0] - draw.x), double(centre[1] - draw.y));
    return {};
}

ToolError RunStudy(const StudySettings& settings, std::vector<LevelSummary>& summaries, StudyProgress progress,
                   void* progressContext, const std::atomic<bool>* cancel)
{
    const size_t trials = size_t(settings.trials);
    const size_t total = settings.levels.size() * trials;
    std::vector<TrialScore> scores(total);
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    size_t done = 0;
    ToolError firstError;
    std::mutex reportLock;

    const auto work = [&] {
        for (size_t i = next++; i < total && !failed && !(cancel && *cancel); i = next++) {
            const ToolError error = RunTrial(settings, settings.levels[i / trials], int64_t(i % trials), scores[i],
                                             cancel);
            std::lock_guard lock(reportLock);
            if (error) {
                if (!failed.exchange(true))
                    firstError = error;
                return;
            }
            if (progress)
                progress(progressContext, double(++done) / double(total));
        }
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t threads = std::min(total, size_t(settings.threads > 0 ? unsigned(settings.threads) : cores));
    {
        std::vector<std::jthread> pool;
        for (size_t t = 1; t < threads; ++t)
            pool.emplace_back(work);
        work();
    }
    if (cancel && *cancel)
        return InterruptedError();
    if (failed)
        return firstError;

    summaries.clear();
    for (size_t level = 0; level < settings.levels.size(); ++level) {
        const size_t first = level * trials;
        summaries.push_back({settings.levels[level], settings.trials,
                             Summarise(scores, first, trials, &TrialScore::precision),
                             Summarise(scores, first, trials, &TrialScore::recall),
                             Summarise(scores, first, trials, &TrialScore::centreError)});
    }
    return {};
}
