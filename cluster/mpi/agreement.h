// Every rank's view of what went wrong, made the same on every rank.
#pragma once

#include "cluster/cluster.h"

// The failure of the lowest rank that has one (its exit code and message),
// or none when no rank failed. Every rank must call it.
ClusterFailure AgreeOnFailure(const ClusterRun& run, const ClusterFailure& own);

// The search status every rank returns: the lowest rank's real failure, or
// else a cancellation (a rank stopped because another failed or the user
// interrupted), or else Ok. Every rank must call it.
SearchStatus AgreeOnSearchStatus(const ClusterRun& run, SearchStatus own);
