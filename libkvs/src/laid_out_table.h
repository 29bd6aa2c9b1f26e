// The table laid out for the blocked keys (blocked_keys.h), in room of its
// own from the request's allocator: made once per search, before the
// centres, and read by every thread of the dense search.
#pragma once

#include <kvs/search.h>

#include "blocked_keys.h"
#include "table_range.h"
#include "workspace.h"

namespace kvs {

class LaidOutTable {
public:
    // The room; valid() is false when it could not be had.
    LaidOutTable(const VectorTable& table, const ColumnRanges& ranges, const Allocator& allocator)
        : table(table), ranges(ranges), layout(ChooseLayout(table, ranges)),
          space(allocator, 1, PackedBytes(table, layout), Fill::None)
    {
    }

    bool valid() const { return space.valid(); }
    bool made() const { return packed.rows > 0; }
    // Lays the table out, the panels shared among up to `threads` threads.
    void Make(int threads) { packed = PackTable(table, ranges, layout, space.slice(0), threads); }
    const PackedTable& laidOut() const { return packed; }

private:
    const VectorTable& table;
    ColumnRanges ranges;
    PackLayout layout;
    Workspace space;
    PackedTable packed;
};

}  // namespace kvs
