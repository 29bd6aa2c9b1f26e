// The table reader on its own: what only a direct call can show.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "cli/input_file.h"
#include "cli/table_reader.h"
#include "run_kvs.h"

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

// A .npy file of little-endian int32 rows in C order is the table in place,
// the mapped file's own bytes; any other layout is converted into values.
TEST(NpyFile, RowsOfTheEnginesLayoutAreReadInPlace)
{
    const int32_t rows[] = {1, -2, 3, 4, 5, -6};
    const std::string data(reinterpret_cast<const char*>(rows), sizeof rows);
    const auto npy = [&](const std::string& dict) {
        std::string header = dict + std::string(127 - (10 + dict.size()) % 64 - 64, ' ') + "\n";
        return std::string("\x93NUMPY\x01\x00", 8) + char(header.size()) + '\0' + header + data;
    };
    ScratchFolder folder;
    const struct {
        const char* dict;
        std::vector<int> columns;
        bool inPlace;
        std::vector<int32_t> values;
    } cases[] = {
        {"{'descr': '<i4', 'fortran_order': False, 'shape': (3, 2), }", {}, true, {1, -2, 3, 4, 5, -6}},
        {"{'descr': '<i4', 'fortran_order': False, 'shape': (3, 2), }", {1, 2}, true, {1, -2, 3, 4, 5, -6}},
        {"{'descr': '<i4', 'fortran_order': True, 'shape': (6,), }", {}, true, {1, -2, 3, 4, 5, -6}},
        {"{'descr': '<i4', 'fortran_order': True, 'shape': (3, 2), }", {}, false, {1, 4, -2, 5, 3, -6}},
        {"{'descr': '<i4', 'fortran_order': False, 'shape': (3, 2), }", {2}, false, {-2, 4, -6}},
        {"{'descr': '<i2', 'fortran_order': False, 'shape': (12,), }", {}, false, {1, 0, -2, -1, 3, 0, 4, 0, 5, 0, -6, -1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dict);
        TableReadOptions options;
        for (int column : c.columns)
            options.columns.push_back({column, column, ""});
        Table table;
        ASSERT_FALSE(ReadTableFile(folder.Write("t.npy", npy(c.dict)), options, table));
        EXPECT_EQ(bool(table.mapped), c.inPlace);
        EXPECT_EQ(table.values.empty(), c.inPlace);
        EXPECT_EQ(std::vector<int32_t>(table.Data(), table.Data() + table.rows * table.dimension), c.values);
    }
}

// --scale auto: the smallest power of ten that makes every value whole,
// found as the rows come (the rows read before a cell that needs more digits
// are scaled again); a table it takes outside 32 bits is refused at the
// cell that needs the most digits, wherever the value that overflows is.
TEST(TableReader, AutoScaleIsTheSmallestPowerOfTenThatMakesEveryValueWhole)
{
    struct Case {
        const char* text;
        int32_t digits;
        std::vector<int32_t> values;
        int64_t line = 0;  // of the error, when refused
        int64_t column = 0;
    };
    const Case cases[] = {
        {"1,2\n3,-4\n", 0, {1, 2, 3, -4}},
        {"1.5,2\n0.25,3.10\n-7,8e-1\n", 2, {150, 200, 25, 310, -700, 80}},
        {"x,y\n2.50,1e2\n0.0,-0\n", 1, {25, 1000, 0, 0}},
        {"1,0.000001\n3000,4\n", 6, {}, 1, 3},       // 3000 * 10^6 overflows: the cell with 6 places is named
        {"3000,4\n1,0.000001\n", 6, {}, 2, 3},       // the earlier rows overflow as it is read
        {"2147483648,1\n", 0, {}, 1, 1},             // outside 32 bits without decimals
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TableReadOptions options;
        options.autoScale = true;
        Table table;
        const TableReadError error = ReadTable(c.text, options, table);
        EXPECT_EQ(error.line, c.line);
        EXPECT_EQ(error.column, c.column);
        if (c.line == 0) {
            EXPECT_EQ(table.scaleDigits, c.digits);
            EXPECT_EQ(table.values, c.values);
        } else if (c.digits > 0) {
            EXPECT_EQ(error.message, "'0.000001' needs --scale auto to be 1e6, which takes the table outside the "
                                     "signed 32-bit range; give --scale K to round");
        }
    }
}
