#include "platform/test_hooks.h"
#include "search/decrease_step_sorting.h"
#include "search/subset_search.h"

int32_t* SortSearchIndex(int32_t n, const int64_t* keys, int32_t* index)
{
#ifdef KV_TEST_HOOKS
    if (testHooks.searchSort)
        return testHooks.searchSort(n, keys, index);
#endif
    return DecreaseStepSortingInt64(n, keys, index);
}
