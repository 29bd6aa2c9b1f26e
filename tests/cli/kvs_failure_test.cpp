// `kvs search` refusing bad input and surviving failures: one line on
// standard error, the documented exit code, no output, and no file touched.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "cli/search_command.h"
#include "platform/memory.h"
#include "run_kvs.h"

namespace {
std::string Lines(int rows, const std::string& row)
{
    std::string text;
    for (int i = 0; i < rows; ++i)
        text += row;
    return text;
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

TEST(KvsSearch, BadInputGetsOneLineAndItsExitCode)
{
    ScratchFolder folder;
    const std::string good = folder.Write("good.csv", "1,2\n3,4\n5,6\n");
    const std::string gzip = "\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\x33\xd4\x31\xe2\x02";  // cut short
    struct Case {
        const char* name;
        std::vector<std::string> arguments;  // "FILE" is replaced by the case's file
        std::string fileBytes;
        int exitCode;
        std::string message;  // a fragment of the one line
    } cases[] = {
        {"missing file", {"search", folder.Path("none.csv"), "-s", "1"}, "", 2, "none.csv: No such file or directory"},
        {"a folder", {"search", folder.Path(""), "-s", "1"}, "", 2, "it is a folder"},
        {"empty input", {"search", "FILE", "-s", "1"}, "", 2, "bad.csv: no data rows"},
        {"comments only", {"search", "FILE", "-s", "1"}, "# none\n\n", 2, "bad.csv: no data rows"},
        {"a header alone", {"search", "FILE", "-s", "1"}, "x,y\n", 2, "bad.csv: a header but no data rows"},
        {"ragged, too many", {"search", "FILE", "-s", "1"}, "1,2\n3,4\n5,6,7\n", 2,
         "bad.csv:3:5: row has 3 cells where the first line has 2"},
        {"ragged, too few", {"search", "FILE", "-s", "1"}, "1 2\n3\n", 2, "bad.csv:2:2: row has 1 cells"},
        {"empty cell", {"search", "FILE", "-s", "1"}, "1,2\n3,\n", 2, "bad.csv:2:3: empty cell"},
        {"non-numeric cell", {"search", "FILE", "-s", "1"}, "1,2\n3,x4\n", 2, "bad.csv:2:3: 'x4' is not a number"},
        {"hexadecimal", {"search", "FILE", "-s", "1"}, "1,0x10\n", 2, "bad.csv:1:3: '0x10' is not a number"},
        {"above 32 bits", {"search", "FILE", "-s", "1"}, "1,2147483648\n", 2,
         "bad.csv:1:3: '2147483648' is outside the signed 32-bit range"},
        {"below 32 bits", {"search", "FILE", "-s", "1"}, "-2147483649,1\n", 2, "bad.csv:1:1: '-2147483649' is outside"},
        {"above 32 bits after --scale", {"search", "FILE", "-s", "1", "--scale", "10"}, "1,2.5e8\n", 2,
         "bad.csv:1:3: '2.5e8' times the scale is outside"},
        {"NaN", {"search", "FILE", "-s", "1"}, "1,2\nNaN,4\n", 2, "bad.csv:2:1: 'NaN' is not a number (NaN)"},
        {"infinity", {"search", "FILE", "-s", "1", "--scale", "2"}, "1,-inf\n", 2, "bad.csv:1:3: '-inf' is infinite"},
        {"decimal without --scale", {"search", "FILE", "-s", "1"}, "1,2\n3,4.5\n", 2,
         "bad.csv:2:3: '4.5' is not an integer; use --scale K"},
        {"too many digits to scale exactly", {"search", "FILE", "-s", "1", "--scale", "3"}, "0.16666666666666666667\n",
         2, "more than 19 significant digits"},
        {"line above the limit", {"search", "FILE", "-s", "1"}, "1,2\n" + std::string(1100000, '7') + "\n", 2,
         "bad.csv:2:1048577: line longer than the limit of 1048576 bytes"},
        {"NUL byte", {"search", "FILE", "-s", "1"}, std::string("1,2\n3,\0" "4\n", 8), 2,
         "bad.csv:2:3: binary data (a NUL byte)"},
        {"not UTF-8", {"search", "FILE", "-s", "1"}, "x\xff\xfe,y\n1,2\n", 2, "bad.csv:1:2: binary data (not UTF-8"},
        {"compressed data cut short", {"search", "FILE", "-s", "1"}, gzip, 2, "the compressed data ends too early"},
        {"size 0", {"search", good, "-s", "0"}, "", 2, "--size 0: the subset needs at least 1 row"},
        {"size above n", {"search", good, "-s", "4"}, "", 2, "--size 4: larger than the 3 rows of"},
        {"fraction above 1", {"search", good, "--fraction", "1.5"}, "", 2, "--fraction 1.5: expected a fraction"},
        {"no size", {"search", good}, "", 2, "--size S or --fraction F"},
        {"size and fraction", {"search", good, "-s", "1", "--fraction", "0.5"}, "", 2, "excludes"},
        {"unknown option", {"search", good, "-s", "1", "--bogus"}, "", 2, "--bogus"},
        {"unknown method", {"search", good, "-s", "1", "--method", "fast"}, "", 2, "fast"},
        {"column beyond the table", {"search", good, "-s", "1", "--columns", "1,3"}, "", 2,
         "good.csv:1: column 3 was chosen, but the table has 2 columns"},
        {"column far beyond the table", {"search", good, "-s", "1", "--columns", "2000000000"}, "", 2,
         "column 2000000000 was chosen"},
        {"column 0", {"search", good, "-s", "1", "--columns", "0"}, "", 2, "--columns 0: expected column numbers"},
        {"scale 0", {"search", good, "-s", "1", "--scale", "0"}, "", 2, "--scale 0: expected a number above 0"},
        {"no command", {}, "", 2, "A subcommand is required"},
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
        EXPECT_EQ(run.err.rfind("kvs: ", 0), 0u) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
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
