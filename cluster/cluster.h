// The processes that run one search: this process alone, or every rank of an
// MPI job when an MPI launcher (mpirun) started the program.
//
// In a job, rank 0 reads the table and hands it to the others, the centres
// are dealt out to the ranks in chunks, and rank 0 combines the ranks' best
// centres and writes the result. Every failure is agreed on, so that every
// rank stops with the same message and exit code. Ranks other than 0 write
// nothing: their standard output and error go to /dev/null.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <kvs/search.h>

struct ClusterRun {
    int rank = 0;
    int ranks = 1;
    // Search threads of this rank when the user names none: the cores it is
    // bound to, or its node's cores shared among the node's ranks; 0 (every
    // core) for one process.
    int threads = 0;
};

// Joins the MPI job for as long as it lives when an MPI launcher started the
// program; otherwise, or in a build without MPI, the run is this process.
class ClusterSession {
public:
    ClusterSession();
    ~ClusterSession();
    ClusterSession(const ClusterSession&) = delete;
    ClusterSession& operator=(const ClusterSession&) = delete;

    const ClusterRun& run() const { return run_; }

private:
    ClusterRun run_;
    bool joined_ = false;
};

// How this build runs a search, for --version: "MPI, Open MPI v4.1.4" or
// "single process".
std::string ClusterBuildDescription();

// A failure as every rank sees it; exitCode 0 is none.
struct ClusterFailure {
    int exitCode = 0;
    std::string message;

    explicit operator bool() const { return exitCode != 0; }
};

// Hands rank 0's table to every rank. On rank 0, readFailure is how reading
// it went; the other ranks' tables start empty. Every rank returns the same
// failure: rank 0's, or else that of the first rank that could not make room
// for the table (with outOfMemoryExitCode).
ClusterFailure ShareTable(const ClusterRun& run, const ClusterFailure& readFailure, std::vector<int32_t>& values,
                          int64_t& rows, int32_t& dimension, int outOfMemoryExitCode);

// Ends every rank of the job at once with the given exit code, for a failure
// that only this rank saw at a step where the ranks do not compare notes (a
// last resort: the other ranks would wait for it forever). Does nothing for
// a single process.
void AbandonJob(const ClusterRun& run, int exitCode);

// kvs::SearchSimilarRows over every centre of the request, split over the ranks;
// every rank calls it with the same request and gets the same status and
// result: the winner of all ranks, its subset (ordered on rank 0 and handed
// on) and the threads of all ranks. Threads 0 in the request means the run's
// threads. The subset must be asked for on every rank or on none. Progress,
// when asked for, is reported on rank 0 alone and covers every rank's centres.
kvs::SearchStatus SearchAcrossRanks(const ClusterRun& run, const kvs::SearchRequest& request,
                                    kvs::SearchResult& result);
