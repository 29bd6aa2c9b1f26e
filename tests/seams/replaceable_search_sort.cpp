// The test builds' index sort for the search: the program's own unless a
// test has put another in its place.
#include "search/decrease_step_sorting.h"
#include "search/subset_search.h"

namespace {
Int64IndexSort searchSort = DecreaseStepSortingInt64;
}

int32_t* SortSearchIndex(int32_t n, const int64_t* keys, int32_t* index)
{
    return searchSort(n, keys, index);
}

Int64IndexSort SetSearchSortForTesting(Int64IndexSort sort)
{
    const Int64IndexSort previous = searchSort;
    searchSort = sort ? sort : DecreaseStepSortingInt64;
    return previous;
}
