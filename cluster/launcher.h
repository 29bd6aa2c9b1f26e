// Whether an MPI launcher (mpirun, srun) started this process, and as which
// rank, read from the variables launchers give every process they start,
// without starting MPI. Every build has it, with MPI or without, so that a
// command that does not run over ranks can refuse to run once per rank.
#pragma once

#include <optional>

// This process's rank in the launcher's job; none when no launcher started it.
std::optional<int> LauncherRank();
