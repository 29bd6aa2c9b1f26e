#include "anchor_bound.h"

#include <algorithm>
#include <cmath>

#include "row_keys.h"

namespace kvs {

uint32_t IntegerRoot(uint64_t value)
{
    constexpr uint64_t kLargestRoot = UINT32_MAX;
    uint64_t root = std::min<uint64_t>(uint64_t(std::sqrt(double(value))), kLargestRoot);
    while (root * root > value)
        --root;
    while (root < kLargestRoot && (root + 1) * (root + 1) <= value)
        ++root;
    return uint32_t(root);
}

bool Anchor::BoundExceeds(const int32_t* centre, SearchScore limit) const
{
    if (!isSet)
        return false;
    const SearchScore distanceSquared = RowKey<SearchScore>(centre, coordinates, dimension);
    if (distanceSquared > SearchScore(UINT64_MAX))
        return false;
    const uint32_t low = IntegerRoot(uint64_t(distanceSquared));
    const uint64_t apart = uint64_t(low) + (SearchScore(low) * low != distanceSquared);  // rounded up
    SearchScore bound = 0;
    for (int64_t i = 0; i < size; ++i) {
        const uint64_t gap = roots[i] > apart ? roots[i] - apart : 0;
        bound += gap * gap;
        if (bound > limit)
            return true;
    }
    return false;
}

}  // namespace kvs
