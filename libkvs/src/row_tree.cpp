#include "row_tree.h"

#include <new>
#include <stdexcept>

namespace kvs {

bool NeighbourOrder(const VectorTable& table, const ColumnRanges& ranges, int64_t begin, int64_t end, int32_t* order)
{
    // nanoflann allocates with the standard library and reports a failure by throwing.
    try {
        const TableSource source{&table, &ranges};
        const RowTree<-1> tree(table.dimension, source, nanoflann::KDTreeSingleIndexAdaptorParams(kTreeLeafRows));
        LeafOrder(tree, begin, end, order);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

}  // namespace kvs
