// Joining and leaving the MPI job that a launcher started.
#include <fcntl.h>
#include <sched.h>
#include <mpi.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <thread>

#include "cluster/cluster.h"
#include "cluster/launcher.h"

namespace {
// The ranks that share this rank's node, and so its cores.
int RanksOnThisNode(int rank)
{
    MPI_Comm node;
    MPI_Comm_split_type(MPI_COMM_WORLD, MPI_COMM_TYPE_SHARED, rank, MPI_INFO_NULL, &node);
    int ranks = 1;
    MPI_Comm_size(node, &ranks);
    MPI_Comm_free(&node);
    return ranks;
}

// The cores this rank may run on: all of the node's unless the launcher
// bound the rank to some of them.
int CoresOfThisRank()
{
    cpu_set_t cores;
    if (sched_getaffinity(0, sizeof cores, &cores) == 0)
        return CPU_COUNT(&cores);
    return int(std::thread::hardware_concurrency());
}

// Only rank 0 writes: the others' output and messages would repeat its own.
void SilenceOutput()
{
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0)
        return;
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    close(null);
}

// The launcher hands rank 0 a pipe for its standard error, so a progress bar
// would never know it is watched. When the launcher itself writes its
// standard error to a terminal (rank 0 runs where mpirun was typed), rank 0
// writes its messages and bar straight to that terminal.
void UseLauncherTerminal()
{
    if (isatty(STDERR_FILENO))
        return;
    const std::string launcherError = "/proc/" + std::to_string(getppid()) + "/fd/2";
    const int terminal = open(launcherError.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0)
        return;
    if (isatty(terminal))
        dup2(terminal, STDERR_FILENO);
    close(terminal);
}
}  // namespace

ClusterSession::ClusterSession()
{
    if (!LauncherRank())
        return;
    // Only the main thread of a rank talks to the others; the search threads
    // never do.
    int provided = 0;
    MPI_Init_thread(nullptr, nullptr, MPI_THREAD_FUNNELED, &provided);
    joined_ = true;
    MPI_Comm_rank(MPI_COMM_WORLD, &run_.rank);
    MPI_Comm_size(MPI_COMM_WORLD, &run_.ranks);
    // The cores the launcher bound the rank to, and no more than its share
    // of its node's cores.
    const int nodeShare = int(std::thread::hardware_concurrency()) / RanksOnThisNode(run_.rank);
    run_.threads = std::max(1, std::min(CoresOfThisRank(), nodeShare));
    if (run_.rank == 0)
        UseLauncherTerminal();
    else
        SilenceOutput();
}

ClusterSession::~ClusterSession()
{
    if (joined_)
        MPI_Finalize();
}

void AbandonJob(const ClusterRun& run, int exitCode)
{
    if (run.ranks > 1)
        MPI_Abort(MPI_COMM_WORLD, exitCode);
}

std::string ClusterBuildDescription()
{
    char version[MPI_MAX_LIBRARY_VERSION_STRING];
    int length = 0;
    MPI_Get_library_version(version, &length);
    // "Open MPI v4.1.4, package: ..., ident: ...": the name and version only.
    const std::string library(version, std::size_t(length));
    return "MPI, " + library.substr(0, library.find_first_of(",\n"));
}
