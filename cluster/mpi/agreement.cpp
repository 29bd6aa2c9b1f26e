#include "cluster/mpi/agreement.h"

#include <chrono>
#include <thread>

void WaitAsleep(MPI_Request& request)
{
    int done = 0;
    while (MPI_Test(&request, &done, MPI_STATUS_IGNORE), !done)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

namespace {
int LowestOverRanks(int value)
{
    int lowest = value;
    MPI_Request request;
    MPI_Iallreduce(&value, &lowest, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD, &request);
    WaitAsleep(request);
    return lowest;
}
}  // namespace

ClusterFailure AgreeOnFailure(const ClusterRun& run, const ClusterFailure& own)
{
    const int first = LowestOverRanks(own ? run.rank : run.ranks);
    if (first == run.ranks)
        return {};
    ClusterFailure agreed = own;
    int64_t header[2] = {agreed.exitCode, int64_t(agreed.message.size())};
    MPI_Bcast(header, 2, MPI_INT64_T, first, MPI_COMM_WORLD);
    agreed.exitCode = int(header[0]);
    agreed.message.resize(std::size_t(header[1]));
    MPI_Bcast(agreed.message.data(), int(header[1]), MPI_CHAR, first, MPI_COMM_WORLD);
    return agreed;
}

kvs::SearchStatus AgreeOnSearchStatus(const ClusterRun& run, kvs::SearchStatus own)
{
    // One number orders the candidates: real failures before cancellations
    // before Ok, then by rank; the status rides in the low bits.
    constexpr int kStatusSpan = 8;
    const int severity = own == kvs::SearchStatus::Ok ? 2 : own == kvs::SearchStatus::Cancelled ? 1 : 0;
    const int first = LowestOverRanks((severity * run.ranks + run.rank) * kStatusSpan + int(own));
    return kvs::SearchStatus(first % kStatusSpan);
}
