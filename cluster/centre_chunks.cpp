#include "cluster/centre_chunks.h"

#include <algorithm>

namespace {
// A chunk costs a message to rank 0 and its answer, and the rank's threads
// share it out among themselves (each rank prepares its search once, not per
// chunk). So a chunk holds at least this many centres per thread...
constexpr int64_t kCentresPerThread = 8;
// ...and at least this part of an even share of the centres, which keeps the
// chunks to about six per rank while the last chunks, the most by which the
// ranks' finishes can differ, stay a small part of a rank's work.
constexpr int64_t kLastChunksPerShare = 16;
}  // namespace

CentreChunks MakeCentreChunks(int64_t begin, int64_t end, int ranks, int threadsPerRank)
{
    CentreChunks chunks;
    chunks.next = begin;
    chunks.end = std::max(begin, end);
    chunks.takers = std::max(1, ranks);
    const int64_t evenShare = (chunks.end - chunks.next + chunks.takers - 1) / chunks.takers;
    chunks.smallest = std::max(kCentresPerThread * std::max(1, threadsPerRank),
                               (evenShare + kLastChunksPerShare - 1) / kLastChunksPerShare);
    return chunks;
}

CentreRange TakeCentreChunk(CentreChunks& chunks)
{
    const int64_t left = chunks.end - chunks.next;
    // Half of an even share of what is left: the first chunks leave room
    // for the ranks to even out, the last ones end close together.
    const int64_t share = (left + 2 * chunks.takers - 1) / (2 * chunks.takers);
    const int64_t size = std::min(left, std::max(share, chunks.smallest));
    const CentreRange range{chunks.next, chunks.next + size};
    chunks.next += size;
    return range;
}
