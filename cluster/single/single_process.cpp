// A build without MPI: the run is always this process alone.
#include "cluster/cluster.h"

ClusterSession::ClusterSession() = default;
ClusterSession::~ClusterSession() = default;

std::string ClusterBuildDescription() { return "single process"; }

ClusterFailure ShareTable(const ClusterRun&, const ClusterFailure& readFailure, std::vector<int32_t>&, int64_t&,
                          int32_t&, int)
{
    return readFailure;
}

void AbandonJob(const ClusterRun&, int) {}

kvs::SearchStatus SearchAcrossRanks(const ClusterRun&, const kvs::SearchRequest& request, kvs::SearchResult& result)
{
    return kvs::SearchSimilarRows(request, result);
}
