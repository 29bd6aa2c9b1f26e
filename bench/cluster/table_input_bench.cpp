// Run under mpirun with a table file: how long until every rank holds the
// table, when rank 0 reads it and broadcasts it, and when every rank reads
// it itself (and the ranks then only agree that all went well). The median
// of the given number of rounds, on rank 0's clock, each round starting
// together.
#include <mpi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cluster/cluster.h"
#include "cluster/mpi/agreement.h"
#include "cli/exit_codes.h"
#include "cli/input_file.h"

namespace {
ClusterFailure ReadFile(const std::string& path, Table& table)
{
    const ToolError error = ReadTableFile(path, {}, table);
    return {error.exitCode, error.message};
}

ClusterFailure ReadAndBroadcast(const ClusterRun& run, const std::string& path, Table& table)
{
    const ClusterFailure read = run.rank == 0 ? ReadFile(path, table) : ClusterFailure{};
    return ShareTable(run, read, table.values, table.rows, table.dimension, kExitFailure);
}

ClusterFailure EveryRankReads(const ClusterRun& run, const std::string& path, Table& table)
{
    return AgreeOnFailure(run, ReadFile(path, table));
}

template <typename Way>
double MedianSeconds(const ClusterRun& run, const std::string& path, int rounds, Way way)
{
    std::vector<double> seconds;
    for (int round = 0; round < rounds; ++round) {
        Table table;
        MPI_Barrier(MPI_COMM_WORLD);
        const double start = MPI_Wtime();
        if (ClusterFailure failure = way(run, path, table)) {
            std::fprintf(stderr, "%s\n", failure.message.c_str());
            std::exit(failure.exitCode);
        }
        MPI_Barrier(MPI_COMM_WORLD);
        seconds.push_back(MPI_Wtime() - start);
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}
}  // namespace

int main(int argc, char** argv)
{
    ClusterSession session;
    const ClusterRun& run = session.run();
    if (argc < 2)
        return 2;
    const std::string path = argv[1];
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const double broadcast = MedianSeconds(run, path, rounds, ReadAndBroadcast);
    const double everyRank = MedianSeconds(run, path, rounds, EveryRankReads);
    if (run.rank == 0)
        std::printf("%d ranks: rank 0 reads and broadcasts %.3f s, every rank reads %.3f s\n", run.ranks, broadcast,
                    everyRank);
    return 0;
}
