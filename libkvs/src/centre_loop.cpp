#include "centre_loop.h"

#include <algorithm>

namespace kvs {

CentreLoop::CentreLoop(const SearchRequest& request, int64_t count, int threads, int64_t granule)
    : request(request), end(count)
{
    // Enough chunks for the threads to share the work evenly and for the
    // cancel flag to be seen soon, few enough that handing them out costs nothing.
    const int64_t chunks = std::max<int64_t>(int64_t(threads) * 16, 256);
    const int64_t even = std::max<int64_t>(1, (end + chunks - 1) / chunks);
    chunk = (even + granule - 1) / granule * granule;
}

bool CentreLoop::TakeChunk(int64_t& first, int64_t& last)
{
    if (Failed())
        return false;
    if (request.cancel && request.cancel->load(std::memory_order_relaxed)) {
        cancelled.store(true, std::memory_order_relaxed);
        return false;
    }
    if (request.centreSource)
        return TakeChunkOfPart(first, last);
    first = next.fetch_add(chunk, std::memory_order_relaxed);
    if (first >= end)
        return false;
    last = std::min(end, first + chunk);
    return true;
}

bool CentreLoop::TakeChunkOfPart(int64_t& first, int64_t& last)
{
    std::lock_guard<std::mutex> lock(taking);
    while (partNext >= partEnd) {
        if (partsOver || !request.centreSource(request.centreSourceContext, &partNext, &partEnd)) {
            partsOver = true;
            return false;
        }
        if (partNext < 0 || partNext > partEnd || partEnd > end) {
            badPart.store(true, std::memory_order_relaxed);
            partsOver = true;
            return false;
        }
    }
    first = partNext;
    last = std::min(partEnd, first + chunk);
    partNext = last;
    return true;
}

void CentreLoop::FinishChunk(int64_t centres)
{
    const int64_t total = end;
    const int64_t finished = done.fetch_add(centres, std::memory_order_relaxed) + centres;
    if (!request.progress)
        return;
    const int step = int(finished * kProgressSteps / total);
    int reported = reportedStep.load(std::memory_order_relaxed);
    while (step > reported) {
        if (reportedStep.compare_exchange_weak(reported, step)) {
            // A thread that claimed an earlier step may get here later: the
            // fraction shown never goes back.
            std::lock_guard<std::mutex> lock(reporting);
            const double fraction = double(finished) / double(total);
            if (fraction > reportedFraction) {
                reportedFraction = fraction;
                request.progress(request.progressContext, fraction);
            }
            return;
        }
    }
}

}  // namespace kvs
