// Trying every centre of a range on several threads.
//
// The centres are taken in an order of the method's choosing (position p of
// the run tries the worker's Centre(p)) and handed out in chunks; each thread keeps its own best, and
// the bests are combined by the same rule (the smallest score, the later
// centre among equals), which is a total order: the winner is the same for
// any number of threads and any order in which the chunks run. Between chunks
// a thread checks the cancel flag and reports progress.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include <kvs/search.h>

#include "wide_score.h"

namespace kvs {

constexpr int kMaxSearchThreads = 256;

// The best centre seen: 0-based, -1 while there is none.
struct BestCentre {
    SearchScore score = 0;
    int64_t centre = -1;
};

inline bool Beats(SearchScore score, int64_t centre, const BestCentre& best)
{
    return best.centre < 0 || score < best.score || (score == best.score && centre > best.centre);
}

// A search that keeps the centres near the best rather than the best alone:
// a centre is dropped only when its score is proven above reach(best) for
// the best score seen, and every centre scored within that reach is kept, in
// the list of its thread. Reach(best) is at least best; a caller that
// filters the lists by the reach of the final best has every centre within
// it. Each list is trimmed by its thread's current reach as it grows.
struct NearBest {
    SearchScore (*reach)(const void* context, SearchScore best) = nullptr;
    const void* context = nullptr;
    std::vector<BestCentre>* kept = nullptr;  // kMaxSearchThreads lists
};

// What the threads of one search share.
class CentreLoop {
public:
    // Chunks are whole multiples of granule centres where they can be.
    CentreLoop(const SearchRequest& request, int64_t count, int threads, int64_t granule);

    // The next chunk [first, last) to try; false when none is left or the search was cancelled.
    bool TakeChunk(int64_t& first, int64_t& last);
    // Counts a finished chunk and reports progress when the next step is reached.
    void FinishChunk(int64_t centres);
    bool Cancelled() const { return cancelled.load(std::memory_order_relaxed); }
    // A thread that could not get memory stops every thread at its next chunk.
    void Fail() { failed.store(true, std::memory_order_relaxed); }
    bool Failed() const { return failed.load(std::memory_order_relaxed); }
    // The request's centre source handed out a part outside the positions.
    bool BadPart() const { return badPart.load(std::memory_order_relaxed); }

private:
    static constexpr int kProgressSteps = 200;

    // The chunks of the parts that the request's centre source hands out.
    bool TakeChunkOfPart(int64_t& first, int64_t& last);

    const SearchRequest& request;
    const int64_t end;
    int64_t chunk = 1;
    std::atomic<int64_t> next{0};
    std::atomic<int64_t> done{0};
    std::atomic<int> reportedStep{0};
    std::atomic<bool> cancelled{false};
    std::atomic<bool> failed{false};
    std::atomic<bool> badPart{false};
    std::mutex taking;      // the part being shared out:
    int64_t partNext = 0;   // its first position not yet taken
    int64_t partEnd = 0;
    bool partsOver = false;  // the source has no more
    std::mutex reporting;
    double reportedFraction = 0;  // under reporting
};

// Adds a centre to a list of those near the best; once the list has grown
// to twice its size at the last trim, drops those beyond the current reach.
inline void KeepNear(std::vector<BestCentre>& kept, const BestCentre& centre, const BestCentre& shown,
                     std::size_t& trimmedSize)
{
    kept.push_back(centre);
    if (shown.centre < 0 || kept.size() < 2 * trimmedSize + 64)
        return;
    std::erase_if(kept, [&](const BestCentre& c) { return c.score > shown.score; });
    trimmedSize = kept.size();
}

// Each Worker names the centre (a 0-based row) at each position,
//   int64_t Centre(int64_t position)
// and scores one centre at a time:
//   bool Score(int64_t centre, const BestCentre& best, SearchScore& score)
// which returns false when the centre is proven worse than best (its score is
// then not computed), true with the exact score otherwise. A worker that
// prepares the centres of a chunk ahead is told each chunk before it starts:
//   void StartChunk(int64_t first, int64_t last)
// A worker that works best on chunks of a multiple of some number of centres
// names it:
//   static constexpr int64_t kChunkGranule
// A worker may allocate through the standard library (the tree's queries in
// many dimensions do); a failure must not escape a thread.
//
// With near, the worker is shown the best with its score raised to its
// reach, so that it drops only centres beyond the reach, and the centres it
// scores within the reach are kept in *kept.
template <typename Worker>
void RunWorker(CentreLoop& loop, Worker& worker, BestCentre& best, const NearBest* near = nullptr,
               std::vector<BestCentre>* kept = nullptr)
{
    int64_t first = 0;
    int64_t last = 0;
    BestCentre shown = best;
    std::size_t trimmedSize = 0;
    try {
        while (loop.TakeChunk(first, last)) {
            if constexpr (requires { worker.StartChunk(first, last); })
                worker.StartChunk(first, last);
            for (int64_t position = first; position < last; ++position) {
                const int64_t centre = worker.Centre(position);
                SearchScore score = 0;
                if (!worker.Score(centre, near ? shown : best, score))
                    continue;
                if (near && (shown.centre < 0 || score <= shown.score))
                    KeepNear(*kept, {score, centre}, shown, trimmedSize);
                if (Beats(score, centre, best)) {
                    best = {score, centre};
                    if (near)
                        shown = {near->reach(near->context, score), centre};
                }
            }
            loop.FinishChunk(last - first);
        }
    } catch (const std::bad_alloc&) {
        loop.Fail();
    }
}

// Runs workers[0 .. threads) over the positions [0, count) (or the parts of them
// that the request's centre source hands out), workers[0] on the calling
// thread; threads that cannot be started leave their share to the others.
// Returns Ok, Cancelled, OutOfMemory or BadArgument (a part outside the
// positions), and in threadsRun the number of threads that ran.
template <typename Worker>
SearchStatus RunCentres(const SearchRequest& request, int64_t count, int threads, Worker* workers, BestCentre& best,
                        int& threadsRun, const NearBest* near = nullptr)
{
    int64_t granule = 1;
    if constexpr (requires { Worker::kChunkGranule; })
        granule = Worker::kChunkGranule;
    CentreLoop loop(request, count, threads, granule);
    BestCentre bests[kMaxSearchThreads];
    std::thread helpers[kMaxSearchThreads];
    int started = 1;
    for (; started < threads; ++started) {
        try {
            helpers[started] = std::thread([&, started] {
                RunWorker(loop, workers[started], bests[started], near, near ? &near->kept[started] : nullptr);
            });
        } catch (const std::system_error&) {
            break;
        } catch (const std::bad_alloc&) {
            break;
        }
    }
    RunWorker(loop, workers[0], bests[0], near, near ? &near->kept[0] : nullptr);
    for (int t = 1; t < started; ++t)
        helpers[t].join();
    best = BestCentre{};
    for (int t = 0; t < started; ++t) {
        if (bests[t].centre >= 0 && Beats(bests[t].score, bests[t].centre, best))
            best = bests[t];
    }
    threadsRun = started;
    if (loop.BadPart())
        return SearchStatus::BadArgument;
    return loop.Failed() ? SearchStatus::OutOfMemory : loop.Cancelled() ? SearchStatus::Cancelled : SearchStatus::Ok;
}

}  // namespace kvs
