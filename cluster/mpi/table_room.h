// Room for rank 0's table on another rank of the job, in a file of its own:
// test builds compile it with their hooks (platform/test_hooks.h), so that a
// chosen rank can find none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cluster/cluster.h"

// values holds count zeros; false, with values as it was, when there is no memory.
bool MakeTableRoom(const ClusterRun& run, std::vector<int32_t>& values, std::size_t count);
