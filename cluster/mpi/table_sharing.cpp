// Rank 0's table handed to every rank.
#include <mpi.h>

#include <algorithm>

#include "cluster/cluster.h"
#include "cluster/mpi/agreement.h"
#include "cluster/mpi/table_room.h"

namespace {
// The most values one broadcast carries: MPI counts are int.
constexpr int64_t kValuesPerBroadcast = int64_t(1) << 28;

ClusterFailure MakeRoom(const ClusterRun& run, std::vector<int32_t>& values, int64_t rows, int32_t dimension,
                        int outOfMemoryExitCode)
{
    if (MakeTableRoom(run, values, std::size_t(rows * dimension)))
        return {};
    return {outOfMemoryExitCode, "rank " + std::to_string(run.rank) + " of " + std::to_string(run.ranks) +
                                     ": out of memory for the table (" + std::to_string(rows) +
                                     (rows == 1 ? " row of " : " rows of ") + std::to_string(dimension) +
                                     (dimension == 1 ? " value)" : " values)")};
}
}  // namespace

ClusterFailure ShareTable(const ClusterRun& run, const ClusterFailure& readFailure, std::vector<int32_t>& values,
                          int64_t& rows, int32_t& dimension, int outOfMemoryExitCode)
{
    if (run.ranks == 1)
        return readFailure;
    if (ClusterFailure failure = AgreeOnFailure(run, run.rank == 0 ? readFailure : ClusterFailure{}))
        return failure;
    int64_t shape[2] = {rows, dimension};
    MPI_Bcast(shape, 2, MPI_INT64_T, 0, MPI_COMM_WORLD);
    rows = shape[0];
    dimension = int32_t(shape[1]);
    const ClusterFailure room =
        run.rank == 0 ? ClusterFailure{} : MakeRoom(run, values, rows, dimension, outOfMemoryExitCode);
    if (ClusterFailure failure = AgreeOnFailure(run, room))
        return failure;
    const int64_t count = rows * dimension;
    for (int64_t first = 0; first < count; first += kValuesPerBroadcast) {
        const int64_t piece = std::min(kValuesPerBroadcast, count - first);
        MPI_Bcast(values.data() + first, int(piece), MPI_INT32_T, 0, MPI_COMM_WORLD);
    }
    return {};
}
