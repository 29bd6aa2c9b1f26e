// The engine's methods, each over the centres [begin, end) of a checked
// request. Each returns Ok with the best centre, or Cancelled, or OutOfMemory
// with nothing held; threadsRun tells how many threads took part.
#pragma once

#include <cstdint>

#include "engine/centre_loop.h"
#include "engine/subset_engine.h"

// The range a search works in, fixed once from the request and the data.
struct SearchPlan {
    const SearchRequest* request = nullptr;
    int64_t begin = 0;
    int64_t end = 0;
    int threads = 1;
    bool wideKeys = false;  // keys need more than 64 bits
};

SearchStatus DenseSearch(const SearchPlan& plan, BestCentre& best, int& threadsRun);
SearchStatus DescribedSearch(const SearchPlan& plan, BestCentre& best, int& threadsRun);
SearchStatus TreeSearch(const SearchPlan& plan, BestCentre& best, int& threadsRun);
