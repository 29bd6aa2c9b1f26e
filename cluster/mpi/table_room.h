// Room for rank 0's table on another rank of the job, in a file of its own so
// that test programs can link one that refuses it on a chosen rank.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cluster/cluster.h"

// values holds count zeros; false, with values as it was, when there is no memory.
bool MakeTableRoom(const ClusterRun& run, std::vector<int32_t>& values, std::size_t count);
