#include "engine_test_support.h"

#include <cstdlib>
#include <cstring>

#include "search/subset_search.h"
#include "support/random_coordinates.h"

Table RandomTable(int64_t rows, int32_t dimension, int32_t spread, uint32_t seed)
{
    return {RandomCoordinates(rows * dimension, spread, seed), rows, dimension};
}

Found Search(const Table& table, int64_t size, kvs::SearchMethod method, int threads, const kvs::Allocator& allocator,
             int64_t centreBegin, int64_t centreEnd)
{
    Found found;
    found.subset.assign(size > 0 ? size_t(size) : 0, -1);
    kvs::SearchRequest request;
    request.table = table.view();
    request.size = size;
    request.method = method;
    request.threads = threads;
    request.allocator = allocator;
    request.centreBegin = centreBegin;
    request.centreEnd = centreEnd;
    kvs::SearchResult result;
    result.subset = found.subset.data();
    found.status = kvs::SearchSimilarRows(request, result);
    found.centre = result.centre;
    found.score = result.score;
    return found;
}

Found WindowSearch(const Table& table, int32_t size)
{
    std::vector<int32_t*> rows;
    std::vector<int32_t> values = table.values;
    for (int64_t row = 0; row < table.rows; ++row)
        rows.push_back(values.data() + row * table.dimension);
    std::vector<int32_t> subset(size_t(size), -1);
    VectorSeriesHeader series{};
    series.noisyVectorValues = rows.data();
    series.subsetIndices = subset.data();
    series.subsetCapacity = size;
    VectorHeader* centre = SearchSimilarSubset(nullptr, int32_t(table.rows), size, table.dimension, nullptr, &series);
    FreeVectorHeader(nullptr, centre);
    Found found;
    found.status = kvs::SearchStatus::Ok;
    found.centre = series.centerIndex - 1;
    found.subset.assign(subset.begin(), subset.end());
    return found;
}

namespace {
void* Allocate(void* context, std::size_t bytes)
{
    auto* counter = static_cast<CountingAllocator*>(context);
    if (++counter->seen == counter->failAt)
        return nullptr;
    void* block = std::malloc(bytes);
    if (block)
        ++counter->live;
    return block;
}

void Release(void* context, void* block)
{
    --static_cast<CountingAllocator*>(context)->live;
    std::free(block);
}
}  // namespace

kvs::Allocator JunkFilledHeap()
{
    return {[](void*, std::size_t bytes) {
                void* block = std::malloc(bytes);
                if (block)
                    std::memset(block, 0xa5, bytes);
                return block;
            },
            [](void*, void* block) { std::free(block); }, nullptr};
}

kvs::Allocator CountingAllocator::hook() { return {&Allocate, &Release, this}; }
