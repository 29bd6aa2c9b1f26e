#include "cli/version.h"

#include "cluster/cluster.h"

namespace {
// How this build runs a search: the one place that names it.
std::string SearchRunningMode() { return ClusterBuildDescription(); }
} // namespace

std::string VersionText() { return std::string("kvs ") + KVS_VERSION + " (" + SearchRunningMode() + ")"; }
