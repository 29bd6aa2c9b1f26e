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

// A text read in pieces of any size, cut anywhere (inside a line end, a byte
// order mark or a UTF-8 character), gives the table or the error that
// reading it whole gives.
TEST(TableReader, PiecesOfAnySizeReadAsTheWhole)
{
    const std::string longLine = std::string(1 << 20, '#');
    const std::string texts[] = {
        "\xEF\xBB\xBFx,y\r\n1,2\r\n# caf\xC3\xA9\r\n3,4",
        "1 2\n\n3 4\r\n5 \xE2\x82\xAC\n",
        "1,2\n3,4\n" + longLine + "\r\n5,6\n",
        "1,2\n" + longLine + "#\r\n",
        "1,2\n" + longLine.substr(2) + "\xC3\xA9\xC3\xA9\n",
        "1;2\n3;\xF0\x9F\x98\n",
        std::string("1,2\n3,4\n\0\n", 10),
        "\xEF\xBB",
    };
    for (const std::string& text : texts) {
        Table whole;
        const TableReadError wholeError = ReadTable(text, {}, whole);
        for (std::size_t pieceSize : {1, 2, 3, 5, 4096}) {
            if (pieceSize < 3 && text.size() > 4096)
                continue;  // a million calls, and no boundary that pieces of 3 and 5 miss
            SCOPED_TRACE(text.substr(0, 20) + " in pieces of " + std::to_string(pieceSize));
            TableReader reader({});
            TableReadError error;
            for (std::size_t at = 0; at < text.size() && !error; at += pieceSize)
                error = reader.Read(std::string_view(text).substr(at, pieceSize));
            Table table;
            if (!error)
                error = reader.Finish(table);
            EXPECT_EQ(error.message, wholeError.message);
            EXPECT_EQ(error.line, wholeError.line);
            EXPECT_EQ(error.column, wholeError.column);
            EXPECT_EQ(table.values, whole.values);
            EXPECT_EQ(table.rows, whole.rows);
        }
    }
}
