// The table reader on its own: what only a direct call can show.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "cli/table_reader.h"

// A raised cancel flag stops a long read part way, as Ctrl-C does.
TEST(TableReader, StopsWhenCancelled)
{
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "1,2\n";
    std::atomic<bool> cancel{true};
    TableReadOptions options;
    options.cancel = &cancel;
    Table table;
    const TableReadError error = ReadTable(text, options, table);
    EXPECT_TRUE(error.cancelled);
    EXPECT_LT(error.line, 20000);

    cancel = false;
    EXPECT_FALSE(ReadTable(text, options, table));
    EXPECT_EQ(table.rows, 20000);
}
