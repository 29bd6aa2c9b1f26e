// kvs as the MPI tests run it: the rank that KV_TEST_FAIL_RANK names finds no
// room for the table, as a rank whose node has too little memory would. The
// variable reaches every rank through mpirun; this file, linked into the test
// build of kvs only, turns it into the hook.
#include <cstdlib>
#include <string>

#include "platform/test_hooks.h"

namespace {

bool RefuseOnTheNamedRank(int rank)
{
    const char* failing = std::getenv("KV_TEST_FAIL_RANK");
    return failing && std::to_string(rank) == failing;
}

const bool installed = (testHooks.refuseTableRoom = RefuseOnTheNamedRank, true);

} // namespace
