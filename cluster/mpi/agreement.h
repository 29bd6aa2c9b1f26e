// Every rank's view of what went wrong, made the same on every rank.
#pragma once

#include <mpi.h>

#include "cluster/cluster.h"

// Waits for a request to complete, asleep between looks. MPI's own waits
// spin, and a rank that is early to a collective step (waiting for rank 0 to
// read the table, or for the last chunk of another rank) would take a core
// from the ranks still working.
void WaitAsleep(MPI_Request& request);

// The failure of the lowest rank that has one (its exit code and message),
// or none when no rank failed. Every rank must call it.
ClusterFailure AgreeOnFailure(const ClusterRun& run, const ClusterFailure& own);

// The search status every rank returns: the lowest rank's real failure, or
// else a cancellation (a rank stopped because another failed or the user
// interrupted), or else Ok. Every rank must call it.
kvs::SearchStatus AgreeOnSearchStatus(const ClusterRun& run, kvs::SearchStatus own);
