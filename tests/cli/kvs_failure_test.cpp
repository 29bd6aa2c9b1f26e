// `kvs` refusing bad arguments and input and surviving failures: one line on
// standard error, the documented exit code, no output, and no file touched.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "cli/search_command.h"
#include "seams/test_seams.h"
#include "run_kvs.h"

namespace {
std::string Lines(int rows, const std::string& row)
{
    std::string text;
    for (int i = 0; i < rows; ++i)
        text += row;
    return text;
}

// A .npy file of version 1.0: the header's dict (padded as numpy pads it)
// and the data's bytes.
std::string Npy(const std::string& dict, const std::string& data = {})
{
    std::string header = dict;
    while ((10 + header.size() + 1) % 64 != 0)
        header += ' ';
    header += '\n';
    return std::string("\x93NUMPY\x01\x00", 8) + char(header.size() & 0xFF) + char(header.size() >> 8) + header + data;
}

std::string Int32s(std::initializer_list<int32_t> values)
{
    std::string bytes;
    for (int32_t value : values)
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    return bytes;
}

// A table whose described search runs for many seconds.
std::string LongSearchTable()
{
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += std::to_string(i * 7919 % 1000) + "," + std::to_string(i * 104729 % 1000) + "\n";
    return text;
}
} // namespace

// Every refusal is one line on standard error with its exit code and nothing
// on standard output. Arguments at fault name their subcommand and point at
// its help; a table at fault is named with the line and column.
TEST(KvsSearch, BadArgumentsAndInputGetOneLineAndTheirExitCode)
{
    ScratchFolder folder;
    const std::string good = folder.Write("good.csv", "1,2\n3,4\n5,6\n");
    const std::string gzip = "\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\x33\xd4\x31\xe2\x02";  // cut short
    const std::string line = "1,2\n" + std::string(1048576, '7');  // a last line of exactly 1 MiB
    const std::string searchHelp = "; see 'kvs search --help'\n";
    struct Case {
        const char* name;
        std::vector<std::string> arguments;  // "FILE" is replaced by the case's file
        std::string fileBytes;
        int exitCode;
        std::string message;  // the whole line, or (without a newline) a fragment of it
    } cases[] = {
        {"missing file", {"search", folder.Path("none.csv"), "-s", "1"}, "", 2, "none.csv: No such file or directory"},
        {"a folder", {"search", folder.Path(""), "-s", "1"}, "", 2, "it is a folder"},
        {"empty input", {"search", "FILE", "-s", "1"}, "", 2, "bad.csv: no data rows"},
        {"comments only", {"search", "FILE", "-s", "1"}, "# none\n\n", 2, "bad.csv: no data rows"},
        {"a header alone", {"search", "FILE", "-s", "1"}, "x,y\n", 2, "bad.csv: a header but no data rows"},
        {"ragged, too many", {"search", "FILE", "-s", "1"}, "1,2\n3,4\n5,6,7\n", 2,
         "bad.csv: line 3: row has 3 cells where the first line has 2"},
        {"ragged, too few", {"search", "FILE", "-s", "1"}, "1 2\n3\n", 2, "bad.csv: line 2: row has 1 cell where"},
        {"empty cell", {"search", "FILE", "-s", "1"}, "1,2\n3,\n", 2, "bad.csv: line 2, field 2: empty cell"},
        {"empty cell in a first line", {"search", "FILE", "-s", "1"}, "5,,7\n1,2,3\n", 2, "bad.csv: line 1, field 2: empty cell"},
        {"empty last cell in a first line", {"search", "FILE", "-s", "1"}, "1,2,\n1,2,3\n", 2,
         "bad.csv: line 1, field 3: empty cell"},
        {"a word in a first line of numbers", {"search", "FILE", "-s", "1"}, "1,2,N/A\n1,2,3\n", 2,
         "bad.csv: line 1, field 3: 'N/A' is not a number"},
        {"a header read as data", {"search", "FILE", "-s", "1", "--no-header"}, "x,y\n1,2\n", 2,
         "bad.csv: line 1, field 1: 'x' is not a number"},
        {"non-numeric cell", {"search", "FILE", "-s", "1"}, "1,2\n3,x4\n", 2, "bad.csv: line 2, field 2: 'x4' is not a number"},
        {"non-numeric cell under a header", {"search", "FILE", "-s", "1"}, "x,lat\n1,2\n3,x4\n", 2,
         "bad.csv: line 3, field 2 (lat): 'x4' is not a number\n"},
        {"a column name not in the header", {"search", "FILE", "-s", "1", "--columns", "lat,lon"}, "x,lat\n1,2\n", 2,
         "bad.csv: line 1: no column is named 'lon'; the header holds 'x', 'lat'\n"},
        {"a column twice through a range", {"search", "FILE", "-s", "1", "--columns", "1-,2"}, "1,2\n", 2,
         "bad.csv: line 1: column 2 is chosen twice\n"},
        {"an open range beyond the table", {"search", "FILE", "-s", "1", "--columns", "3-"}, "1,2\n", 2,
         "bad.csv: line 1: column 3 was chosen, but the table has 2 columns\n"},
        {"a named column with --no-header", {"search", "FILE", "-s", "1", "--columns", "x", "--no-header"}, "1,2\n", 2,
         "bad.csv: line 1: --columns names columns, but --no-header makes the first line data\n"},
        {"a named column of a .npy", {"search", "FILE", "-s", "1", "--columns", "x"},
         Npy("{'descr': '<i4', 'fortran_order': False, 'shape': (1, 2), }", Int32s({1, 2})), 2,
         "bad.csv: column 'x' is named, but the table has no header\n"},
        {"hexadecimal", {"search", "FILE", "-s", "1"}, "1,0x10\n", 2, "bad.csv: line 1, field 2: '0x10' is not a number"},
        {"above 32 bits", {"search", "FILE", "-s", "1"}, "1,2147483648\n", 2,
         "bad.csv: line 1, field 2: '2147483648' is outside the signed 32-bit range"},
        {"below 32 bits", {"search", "FILE", "-s", "1"}, "-2147483649,1\n", 2, "bad.csv: line 1, field 1: '-2147483649' is outside"},
        {"above 32 bits after --scale", {"search", "FILE", "-s", "1", "--scale", "10"}, "1,2.5e8\n", 2,
         "bad.csv: line 1, field 2: '2.5e8' times the scale is outside"},
        {"--scale auto beyond 32 bits", {"search", "FILE", "-s", "1", "--scale", "auto"}, "1.5,9e5\n0.0001,2\n", 2,
         "bad.csv: line 2, field 1: '0.0001' needs --scale auto to be 1e4, which takes the table outside"},
        {"NaN", {"search", "FILE", "-s", "1"}, "1,2\nNaN,4\n", 2, "bad.csv: line 2, field 1: 'NaN' is not a number (NaN)"},
        {"infinity", {"search", "FILE", "-s", "1", "--scale", "2"}, "1,-inf\n", 2, "bad.csv: line 1, field 2: '-inf' is infinite"},
        {"decimal without --scale", {"search", "FILE", "-s", "1"}, "1,2\n3,4.5\n", 2,
         "bad.csv: line 2, field 2: '4.5' is not an integer; use --scale K"},
        {"too many digits to scale exactly", {"search", "FILE", "-s", "1", "--scale", "3"}, "0.16666666666666666667\n",
         2, "more than 19 significant digits"},
        {"line above the limit", {"search", "FILE", "-s", "1"}, line + "7\n", 2,
         "bad.csv: line 2, byte 1048577: line longer than the limit of 1048576 bytes"},
        {"line above the limit, CRLF", {"search", "FILE", "-s", "1"}, line + "7\r\n", 2,
         "bad.csv: line 2, byte 1048577: line longer"},
        {"line above the limit, no line end", {"search", "FILE", "-s", "1"}, line + "7", 2, "bad.csv: line 2, byte 1048577: line"},
        {"NUL byte", {"search", "FILE", "-s", "1"}, std::string("1,2\n3,\0" "4\n", 8), 2,
         "bad.csv: line 2, byte 3: binary data (a NUL byte)"},
        {"not UTF-8", {"search", "FILE", "-s", "1"}, "x\xff\xfe,y\n1,2\n", 2, "bad.csv: line 1, byte 2: binary data (not UTF-8"},
        {"UTF-8 cut by the line end", {"search", "FILE", "-s", "1"}, "1,2 \xc3\r\n", 2,
         "bad.csv: line 1, byte 5: binary data (not"},
        {"compressed data cut short", {"search", "FILE", "-s", "1"}, gzip, 2, "the compressed data ends too early"},
        {"compressed data with garbage after it", {"search", "FILE", "-s", "1"}, Gzipped("1,2\n") + "garbage", 2,
         "bad.csv: invalid compressed data (incorrect header check)"},
        {"compressed data padded, then garbage", {"search", "FILE", "-s", "1"},
         Gzipped("1,2\n") + std::string(9, '\0') + "x", 2,
         "invalid compressed data (bytes after the zeros that end it)"},
        {"compressed binary data", {"search", "FILE", "-s", "1"}, Gzipped(std::string(4096, '\0')), 2,
         "bad.csv: line 1, byte 1: binary data (a NUL byte)"},
        {".npy of an unknown version", {"search", "FILE", "-s", "1"}, std::string("\x93NUMPY\x04\x00\x10\x00", 10), 2,
         "bad.csv: .npy version 4.0 is not one kvs reads; expected 1.0, 2.0 or 3.0\n"},
        {".npy cut in its header", {"search", "FILE", "-s", "1"}, Npy("{'descr': '<i4'").substr(0, 20), 2,
         "bad.csv: the file ends inside its header\n"},
        {".npy header too long", {"search", "FILE", "-s", "1"}, std::string("\x93NUMPY\x02\x00\x00\x00\x02\x00", 12), 2,
         "bad.csv: header of 131072 bytes, above the limit of 65536"},
        {".npy header not a dict", {"search", "FILE", "-s", "1"}, Npy("{'descr': '<i4', 'shape': (1, 2)}"), 2,
         "bad.csv: malformed header dict; expected {'descr': ..., 'fortran_order': ..., 'shape': ...}\n"},
        {".npy of records", {"search", "FILE", "-s", "1"},
         Npy("{'descr': [('x', '<i4')], 'fortran_order': False, 'shape': (1,), }"), 2,
         "bad.csv: the array has named fields (a structured type)"},
        {".npy of complex numbers", {"search", "FILE", "-s", "1"},
         Npy("{'descr': '<c16', 'fortran_order': False, 'shape': (1, 2), }"), 2,
         "bad.csv: element type '<c16' is not one kvs reads"},
        {".npy of three dimensions", {"search", "FILE", "-s", "1"},
         Npy("{'descr': '<i4', 'fortran_order': False, 'shape': (1, 2, 1), }", Int32s({1, 2})), 2,
         "bad.csv: the array has 3 dimensions (shape (1, 2, 1)); expected rows, 1 or 2 dimensions\n"},
        {".npy of no rows", {"search", "FILE", "-s", "1"},
         Npy("{'descr': '<i4', 'fortran_order': False, 'shape': (0, 2), }"), 2, "bad.csv: no data rows\n"},
        {".npy whose data ends early", {"search", "FILE", "-s", "1"},
         Npy("{'descr': '<i4', 'fortran_order': False, 'shape': (2, 2), }", Int32s({1, 2, 3})), 2,
         "bad.csv: the data ends early: 12 bytes where shape (2, 2) of <i4 needs 16\n"},
        {".npy with bytes after its data", {"search", "FILE", "-s", "1"},
         Npy("{'descr': '<i4', 'fortran_order': True, 'shape': (1, 2), }", Int32s({1, 2, 3})), 2,
         "bad.csv: the file goes on for 4 bytes after the array's data (shape (1, 2))\n"},
        {".npy gzip'd, its data ending early", {"search", "FILE", "-s", "1"},
         Gzipped(Npy("{'descr': '>i8', 'fortran_order': False, 'shape': (2,), }", std::string(7, '\0') + "\x01" "abc")), 2,
         "bad.csv: the data ends early: 11 bytes where shape (2,) of >i8 needs 16\n"},
        {".npy of int64 with a value beyond 32 bits", {"search", "FILE", "-s", "1"},
         Npy("{'descr': '<i8', 'fortran_order': False, 'shape': (1, 2), }",
             Int32s({1, 0}) + Int32s({0, 256})),  // 1 and 2^40
         2, "bad.csv: row 1, column 2: 1099511627776 is outside the signed 32-bit range"},
        {".npz cut short", {"search", "FILE", "-s", "1"}, std::string("PK\x03\x04\x14\x00", 6), 2,
         "bad.csv: the file ends inside a zip member\n"},
        {"--array for a text table", {"search", good, "-s", "1", "--array", "x"}, "", 2,
         "good.csv: --array x names an array of a .npz file, but this input is a text table\n"},
        {"size 0", {"search", good, "-s", "0"}, "", 2,
         "kvs search: --size 0: expected a whole number from 1 to 9223372036854775807" + searchHelp},
        {"size in hexadecimal", {"search", good, "-s", "0x2"}, "", 2,
         "kvs search: --size 0x2: expected a whole number"},
        {"size with leading zeros, not octal", {"search", good, "-s", "010"}, "", 2,
         "kvs search: --size 10: larger than the 3 rows of " + good + searchHelp},
        {"size above n", {"search", folder.Write("one.csv", "1,2\n"), "-s", "2"}, "", 2, "larger than the 1 row of"},
        {"fraction above 1", {"search", good, "--fraction", "1.5"}, "", 2,
         "kvs search: --fraction 1.5: expected a fraction above 0 and at most 1" + searchHelp},
        {"too many digits for a scale", {"search", good, "-s", "1", "--scale", "1.00000000000000000001"}, "", 2,
         "--scale 1.00000000000000000001: more than 19 significant digits, too many to read exactly"},
        {"threads above the engine's", {"search", good, "-s", "1", "-j", "257"}, "", 2,
         "kvs search: --threads 257: expected a whole number from 0 to 256" + searchHelp},
        {"negative threads", {"search", good, "-s", "1", "-j", "-1"}, "", 2, "--threads -1: expected a whole number"},
        {"no size", {"search", good}, "", 2,
         "kvs search: give the subset size with --size S or --fraction F" + searchHelp},
        {"size and fraction", {"search", good, "-s", "1", "--fraction", "0.5"}, "", 2,
         "kvs search: --size excludes --fraction" + searchHelp},
        {"header and no header", {"search", good, "-s", "1", "--header", "--no-header"}, "", 2,
         "--header excludes --no-header"},
        {"size twice", {"search", good, "-s", "1", "-s", "2"}, "", 2, "kvs search: --size is given more than once"},
        {"size without a value", {"search", good, "-s"}, "", 2, "kvs search: --size needs a value" + searchHelp},
        {"no file", {"search", "-s", "1"}, "", 2, "kvs search: missing FILE" + searchHelp},
        {"unknown option", {"search", good, "-s", "1", "--bogus"}, "", 2,
         "kvs search: unknown option '--bogus'" + searchHelp},
        {"unknown option before the file", {"search", "--bogus", good}, "", 2, "kvs search: unknown option '--bogus'"},
        {"a mistyped option", {"search", good, "--szie", "1"}, "", 2,
         "kvs search: unknown option '--szie' (did you mean '--size'?)" + searchHelp},
        {"a mistyped option with its value", {"search", good, "-s", "1", "--fromat=csv"}, "", 2,
         "kvs search: unknown option '--fromat=csv' (did you mean '--format'?)" + searchHelp},
        {"a mistyped command", {"serch", good}, "", 2,
         "kvs: unknown command 'serch' (did you mean 'search'?); expected search, demo or study; see 'kvs --help'\n"},
        {"an argument too many", {"search", good, "-s", "1", "extra"}, "", 2,
         "kvs search: unexpected argument 'extra'" + searchHelp},
        {"a flag given a value", {"search", good, "-s", "1", "--quiet=maybe"}, "", 2, "--quiet maybe: not a value"},
        {"unknown method", {"search", good, "-s", "1", "--method", "fast"}, "", 2,
         "kvs search: --method fast: expected auto, dense, tree or described" + searchHelp},
        {"column beyond the table", {"search", good, "-s", "1", "--columns", "1,3"}, "", 2,
         "good.csv: line 1: column 3 was chosen, but the table has 2 columns"},
        {"column far beyond the table", {"search", good, "-s", "1", "--columns", "2000000000"}, "", 2,
         "column 2000000000 was chosen"},
        {"column 0", {"search", good, "-s", "1", "--columns", "0"}, "", 2,
         "kvs search: --columns 0: '0': expected a column number from 1, a range (2-4, 2-) or a header's name" +
             searchHelp},
        {"a range backwards", {"search", good, "-s", "1", "--columns", "1,3-2"}, "", 2,
         "kvs search: --columns 1,3-2: '3-2': a range's end comes before its start" + searchHelp},
        {"column twice", {"search", good, "-s", "1", "--columns", "2,1,2"}, "", 2,
         "good.csv: line 1: column 2 is chosen twice\n"},
        {"scale 0", {"search", good, "-s", "1", "--scale", "0"}, "", 2, "--scale 0: expected a number above 0"},
        {"a control character in an argument", {"search", good, "-s", "1", "--format", "a\nb"}, "", 2,
         "kvs search: --format a\\x0Ab: expected text, csv, json or rows" + searchHelp},
        {"no command", {}, "", 2, "kvs: no command given; expected search, demo or study; see 'kvs --help'\n"},
        {"unknown command", {"foo"}, "", 2,
         "kvs: unknown command 'foo'; expected search, demo or study; see 'kvs --help'\n"},
        {"unknown option without a command", {"--bogus"}, "", 2, "kvs: unknown option '--bogus'; see 'kvs --help'\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> arguments = c.arguments;
        for (std::string& argument : arguments)
            if (argument == "FILE")
                argument = folder.Write("bad.csv", c.fileBytes);
        const KvsRun run = RunKvs(arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("kvs", 0), 0u) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
        if (c.message.ends_with('\n'))
            EXPECT_TRUE(run.err.ends_with(c.message)) << run.err;
        else
            EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

// However many blank or comment lines a table holds, and however far its
// data inflates, a read holds about what its rows take: the peak memory of
// each run stays within a small margin of a run on a table of its two rows
// alone. Binary input is refused at its first byte, even from an endless
// device.
TEST(KvsSearch, MemoryFollowsTheRowsKept)
{
    ScratchFolder folder;
    std::string row;
    for (int i = 0; i < 1000; ++i)
        row += std::to_string(i) + (i < 999 ? "," : "\n");
    const std::string blankLines(200000, '\n');
    std::string commentLines;
    for (int i = 0; i < 200000; ++i)
        commentLines += "# a comment\n";
    const std::string zeros = folder.Path("zeros");
    const bool haveDevice = mknod(zeros.c_str(), S_IFCHR | 0600, makedev(1, 5)) == 0;  // the zero device
    const KvsRun baseline = RunKvs({"search", folder.Write("rows.csv", row + row), "-s", "1"});
    ASSERT_EQ(baseline.exitCode, 0) << baseline.err;
    struct Case {
        const char* name;
        std::string path;
        int exitCode;
        std::string message;
    } cases[] = {
        {"blank lines between two wide rows", folder.Write("blank.csv", row + blankLines + row), 0, ""},
        {"comment lines between them, gzipped", folder.Write("comment.gz", Gzipped(row + commentLines + row)), 0, ""},
        {"a gzip bomb of one endless line", folder.Write("bomb.gz", Gzipped(std::string(1 << 20, '7'), 64)), 2,
         "kvs: " + folder.Path("bomb.gz") + ": line 1, byte 1048577: line longer than the limit of 1048576 bytes\n"},
        {"an endless device of zeros", haveDevice ? zeros : "", 2,
         "kvs: " + zeros + ": line 1, byte 1: binary data (a NUL byte); expected a text table\n"},
    };
    constexpr long kMarginKilobytes = 32 * 1024;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.path.empty()) {
            std::printf("skipped: no device node could be made here\n");
            continue;
        }
        const KvsRun run = RunKvs({"search", c.path, "-s", "1", "--format", "csv"});
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.err, c.message);
        EXPECT_LT(run.peakKilobytes - baseline.peakKilobytes, kMarginKilobytes)
            << run.peakKilobytes << " kB against " << baseline.peakKilobytes << " kB for the rows alone";
    }
}

// A full disk while writing the result is a failure, never a success.
TEST(KvsSearch, FullDiskFailsTheRun)
{
    ScratchFolder folder;
    KvsInvocation invocation;
    invocation.arguments = {"search", folder.Write("t.csv", Lines(50, "1,2\n")), "-s", "5"};
    invocation.standardOutputPath = "/dev/full";
    const KvsRun run = RunKvs(invocation);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "kvs: cannot write standard output: No space left on device\n");
}

// A failed, refused or interrupted run leaves an existing output file as it
// was and no temporary file beside it; a good run replaces it whole, keeping its permissions.
TEST(KvsSearch, OutputFileIsReplacedOnlyBySuccess)
{
    ScratchFolder folder;
    const std::string table = folder.Write("t.csv", LongSearchTable());
    const std::string bad = folder.Write("bad.csv", "1,2\n3,x\n");
    const std::string output = folder.Write("out.json", "kept\n");
    const ScratchFolder elsewhere;
    const std::string fifo = elsewhere.Path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        const char* name;
        KvsInvocation invocation;
        int exitCode;
        std::string message;
    } cases[] = {
        {"bad input", {{"search", bad, "-s", "1", "-o", output}, "", false, "", false, "", -1}, 2, "not a number"},
        {"Ctrl-C during the search",
         {{"search", table, "-s", "10000", "--method", "described", "-o", output}, "", false, "", false, "", 700},
         130, "kvs: interrupted\n"},
        {"Ctrl-C while waiting for standard input",
         {{"search", "-", "-s", "1", "-o", output}, "1,2\n", true, "", false, "", 1000}, 130, "kvs: interrupted\n"},
        {"Ctrl-C while waiting for a FIFO's writer",
         {{"search", fifo, "-s", "1", "-o", output}, "", false, "", false, "", 500}, 130, "kvs: interrupted\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const KvsRun run = RunKvs(c.invocation);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(folder.Read("out.json"), "kept\n");
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"bad.csv", "out.json", "t.csv"}));
    }

    chmod(output.c_str(), 0640);
    const KvsRun run = RunKvs({"search", table, "-s", "3", "--format", "csv", "-o", output, "--columns", "1"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(folder.Read("out.json").rfind("n,d,size", 0), 0u);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"bad.csv", "out.json", "t.csv"}));
    struct stat status;
    ASSERT_EQ(stat(output.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u) << "the replaced file's permissions";
}

// On a terminal a long search draws its bar (fraction, elapsed, time left)
// on standard error; --quiet draws nothing. Both are stopped with Ctrl-C.
TEST(KvsSearch, ProgressBarShowsOnlyOnATerminal)
{
    ScratchFolder folder;
    KvsInvocation invocation;
    invocation.arguments = {"search", folder.Write("t.csv", LongSearchTable()), "-s", "10000", "--method", "described"};
    invocation.errorToTerminal = true;
    invocation.interruptWhenErrorShows = " left";
    KvsRun run = RunKvs(invocation);
    EXPECT_EQ(run.exitCode, 130);
    EXPECT_NE(run.err.find("%  "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("kvs: interrupted"), std::string::npos) << run.err;

    invocation.arguments.push_back("--quiet");
    invocation.interruptWhenErrorShows.clear();
    invocation.interruptAfterMs = 1500;
    run = RunKvs(invocation);
    EXPECT_EQ(run.exitCode, 130);
    EXPECT_EQ(run.err, "kvs: interrupted\r\n");
}

// The engine's working storage refused (through the heap's test seam): the
// run fails with its message, writes nothing and holds nothing.
TEST(KvsSearch, SearchOutOfMemoryFailsAndWritesNothing)
{
    ScratchFolder folder;
    SearchOptions options;
    options.input = folder.Write("t.csv", Lines(30, "1,2\n"));
    options.size = 5;
    options.output = folder.Write("out.json", "kept\n");
    const long liveBefore = LiveAllocationCount();
    testing::internal::CaptureStderr();
    FailAllocationsFrom(1);
    const int exitCode = RunSearchCommand(options);
    FailAllocationsFrom(0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(err, "kvs: search: out of memory for its working storage (fewer --threads need less)\n");
    EXPECT_EQ(folder.Read("out.json"), "kept\n");
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"out.json", "t.csv"}));
    EXPECT_EQ(LiveAllocationCount(), liveBefore);
}
