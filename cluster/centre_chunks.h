// How the centres of one search are dealt out to the ranks of a job.
//
// A centre's cost is not known in advance (the tree method's differs from
// centre to centre), so no fixed split can promise that the ranks finish
// together. Instead rank 0 hands out chunks on request, each a share of what
// is left: large while much is left, down to a floor near the end (guided
// self-scheduling). A rank that meets dearer centres simply asks less often,
// and the ranks finish within about one of the last, smallest chunks, a
// sixteenth of an even share.
#pragma once

#include <cstdint>

struct CentreRange {
    int64_t begin = 0;  // 0-based, half open
    int64_t end = 0;
    int64_t count() const { return end - begin; }
};

struct CentreChunks {
    int64_t next = 0;      // the first centre not yet handed out
    int64_t end = 0;
    int64_t takers = 1;    // the ranks that share the centres
    int64_t smallest = 1;  // the floor of a chunk, so that a chunk's fixed costs stay small
};

// The centres begin .. end - 1 dealt out among the given number of ranks,
// each running the given number of search threads on its chunks.
CentreChunks MakeCentreChunks(int64_t begin, int64_t end, int ranks, int threadsPerRank);

// The next chunk; empty once every centre has been handed out.
CentreRange TakeCentreChunk(CentreChunks& chunks);
