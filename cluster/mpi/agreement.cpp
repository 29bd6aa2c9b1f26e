#include "cluster/mpi/agreement.h"

#include <mpi.h>

ClusterFailure AgreeOnFailure(const ClusterRun& run, const ClusterFailure& own)
{
    const int candidate = own ? run.rank : run.ranks;
    int first = run.ranks;
    MPI_Allreduce(&candidate, &first, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD);
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

SearchStatus AgreeOnSearchStatus(const ClusterRun& run, SearchStatus own)
{
    // One number orders the candidates: real failures before cancellations
    // before Ok, then by rank; the status rides in the low bits.
    constexpr int kStatusSpan = 8;
    const int severity = own == SearchStatus::Ok ? 2 : own == SearchStatus::Cancelled ? 1 : 0;
    const int candidate = (severity * run.ranks + run.rank) * kStatusSpan + int(own);
    int first = 0;
    MPI_Allreduce(&candidate, &first, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD);
    return SearchStatus(first % kStatusSpan);
}
