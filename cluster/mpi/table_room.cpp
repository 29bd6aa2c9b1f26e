#include "cluster/mpi/table_room.h"

#include <new>

#include "platform/test_hooks.h"

bool MakeTableRoom([[maybe_unused]] const ClusterRun& run, std::vector<int32_t>& values, std::size_t count)
{
#ifdef KV_TEST_HOOKS
    if (testHooks.refuseTableRoom && testHooks.refuseTableRoom(run.rank))
        return false;
#endif
    try {
        values.assign(count, 0);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
