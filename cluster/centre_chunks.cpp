#include "cluster/centre_chunks.h"

#include <algorithm>

namespace {
// Each thread of a rank gets at least this many centres of a chunk, so that
// starting the threads and the working storage of a chunk stays a small part
// of its work.
constexpr int64_t kCentresPerThread = 8;
}  // namespace

CentreChunks MakeCentreChunks(int64_t begin, int64_t end, int ranks, int threadsPerRank)
{
    CentreChunks chunks;
    chunks.next = begin;
    chunks.end = std::max(begin, end);
    chunks.takers = std::max(1, ranks);
    chunks.smallest = kCentresPerThread * std::max(1, threadsPerRank);
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
