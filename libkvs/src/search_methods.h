// The engine's methods, each over the centres [begin, end) of a checked
// request. Each returns Ok with the best centre, or Cancelled, or OutOfMemory
// with nothing held; threadsRun tells how many threads took part.
#pragma once

#include <cstdint>

#include "centre_loop.h"
#include <kvs/search.h>

#include "wide_score.h"

namespace kvs {

// The narrowest key type that holds the table's largest key.
enum class KeyWidth { Bits32, Bits64, Bits128 };

// The range a search works in, fixed once from the request and the data.
struct SearchPlan {
    const SearchRequest* request = nullptr;
    int64_t begin = 0;
    int64_t end = 0;
    int threads = 1;
    KeyWidth keyWidth = KeyWidth::Bits64;
};

// Calls action with a value of the key type of the given width.
template <typename Action>
SearchStatus WithKeyType(KeyWidth width, Action action)
{
    switch (width) {
    case KeyWidth::Bits32:
        return action(uint32_t{});
    case KeyWidth::Bits64:
        return action(uint64_t{});
    default:
        return action(SearchScore{});
    }
}

// The width for a table whose largest key is the given one.
KeyWidth KeyWidthFor(SearchScore largestKey);

SearchStatus DenseSearch(const SearchPlan& plan, BestCentre& best, int& threadsRun);
SearchStatus DescribedSearch(const SearchPlan& plan, BestCentre& best, int& threadsRun);
SearchStatus TreeSearch(const SearchPlan& plan, BestCentre& best, int& threadsRun);

}  // namespace kvs
