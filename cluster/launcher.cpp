#include "cluster/launcher.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

std::optional<int> LauncherRank()
{
    // Open MPI's mpirun, then PMIx launchers (srun among them), then the older PMI ones.
    for (const char* name : {"OMPI_COMM_WORLD_RANK", "PMIX_RANK", "PMI_RANK"}) {
        const char* value = std::getenv(name);
        if (!value)
            continue;
        int rank = 0;
        std::from_chars(value, value + std::strlen(value), rank);
        return rank;
    }
    return std::nullopt;
}
