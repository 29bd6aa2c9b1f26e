// `kvs search` end to end: the built executable on files, standard input and
// bad input, as a user runs it.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <kvs/search.h>

#include "run_kvs.h"
#include "search/subset_search.h"
#include "support/random_coordinates.h"
#include "vectors/noise_generators.h"
#include "vectors/vector_series.h"

namespace {
// The raw text of a JSON value by its key (numbers and arrays only).
std::string JsonValue(const std::string& json, const std::string& key)
{
    const std::regex pattern("\"" + key + "\": (\\[[^\\]]*\\]|[^,}]*)");
    std::smatch match;
    return std::regex_search(json, match, pattern) ? match[1].str() : "(missing " + key + ")";
}

std::string Joined(const std::vector<int64_t>& values, const char* separator)
{
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i)
        text += (i ? separator : "") + std::to_string(values[i]);
    return text;
}

struct Rows {
    std::vector<int32_t> values;
    int64_t count = 0;
    int32_t dimension = 0;
};

// The table written one row per line, cells as cell(value) gives them.
template <typename Cell>
std::string Spelled(const Rows& rows, const std::string& separator, Cell cell, const std::string& lineEnd = "\n")
{
    std::string text;
    for (int64_t r = 0; r < rows.count; ++r) {
        for (int32_t c = 0; c < rows.dimension; ++c)
            text += (c ? separator : "") + cell(rows.values[std::size_t(r * rows.dimension + c)]);
        text += lineEnd;
    }
    return text;
}

// The engine's own answer, 1-based, as the tool should report it.
struct Expected {
    std::string centre, subset, score;
};

Expected EngineAnswer(const Rows& rows, int64_t size)
{
    std::vector<int64_t> subset(static_cast<std::size_t>(size));
    kvs::SearchRequest request;
    request.table = {rows.values.data(), rows.count, rows.dimension};
    request.size = size;
    kvs::SearchResult result;
    result.subset = subset.data();
    EXPECT_EQ(kvs::SearchSimilarRows(request, result), kvs::SearchStatus::Ok);
    for (int64_t& row : subset)
        ++row;
    return {std::to_string(result.centre + 1), "[" + Joined(subset, ", ") + "]", kvs::to_string(result.score)};
}

Rows RandomRows(int64_t count, int32_t dimension, int32_t range, unsigned seed)
{
    return {RandomCoordinates(count * dimension, range, seed), count, dimension};
}
} // namespace

// One table spelled every way the reader takes gives the engine's answer,
// with nothing on standard error.
TEST(KvsSearch, EverySpellingOfATableGivesTheEnginesAnswer)
{
    ScratchFolder folder;
    const Rows rows = RandomRows(40, 3, 9, 7);
    const Expected expected = EngineAnswer(rows, 13);
    const auto plain = [](int32_t v) { return std::to_string(v); };
    const std::string comma = Spelled(rows, ",", plain);
    const std::string quarters = Spelled(rows, ",", [](int32_t v) {
        return (v < 0 ? "-" : "") + std::to_string(std::abs(v) / 4) + "." + std::to_string(std::abs(v) % 4 * 25);
    });
    const std::string labelled = Spelled(rows, ",", plain);
    std::string withLabels = "name,x,y,z\n";
    for (std::size_t start = 0, row = 0; start < labelled.size(); ++row) {
        const std::size_t end = labelled.find('\n', start) + 1;
        withLabels += "row " + std::to_string(row) + "," + labelled.substr(start, end - start);
        start = end;
    }
    struct Spelling {
        const char* name;
        std::string file;  // empty: the table comes on standard input
        std::vector<std::string> options;
        std::string standardInput;
    } spellings[] = {
        {"comma", folder.Write("a.csv", comma), {"--size", "13"}, ""},
        {"header, comments, blank lines, CRLF",
         folder.Write("b.csv", "# exported\r\nx, y, z\r\n\r\n" + Spelled(rows, ", ", plain, "\r\n") + "   # end\r\n"),
         {"--size", "13"}, ""},
        {"semicolon, byte order mark", folder.Write("c.txt", "\xEF\xBB\xBF" + Spelled(rows, ";", plain)), {"--size", "13"}, ""},
        {"tab", folder.Write("d.tsv", Spelled(rows, "\t", plain)), {"--size", "13"}, ""},
        {"blanks", folder.Write("e.txt", Spelled(rows, "   ", plain)), {"--size", "13", "--delimiter", "blank"}, ""},
        {"gzip", folder.Write("f.csv.gz", Gzipped(comma)), {"--size", "13"}, ""},
        {"gzip padded with zeros, as on tapes", folder.Write("f.gz", Gzipped(comma) + std::string(512, '\0')),
         {"--size", "13"}, ""},
        {"gzip members concatenated, on standard input", "-", {"--size", "13"},
         Gzipped(comma.substr(0, 101)) + Gzipped(comma.substr(101))},
        {"a numeric first line taken as a header", folder.Write("m.csv", "1,2,3\n" + comma),
         {"-s", "13", "--header"}, ""},
        {"a comment line of exactly 1 MiB, CRLF",
         folder.Write("n.csv", "#" + std::string((1 << 20) - 1, 'c') + "\r\n" + comma), {"--size", "13"}, ""},
        {"standard input", "-", {"--size", "13"}, comma},
        {"chosen columns beside a label", folder.Write("g.csv", withLabels), {"--size", "13", "--columns", "2,3,4"}, ""},
        {"columns chosen by their header names", folder.Write("g2.csv", withLabels), {"-s", "13", "--columns", "x,y,z"}, ""},
        {"columns chosen by a range", folder.Write("g3.csv", withLabels), {"-s", "13", "--columns", "2-4"}, ""},
        {"columns chosen by an open range", folder.Write("g4.csv", withLabels), {"-s", "13", "--columns", "2-"}, ""},
        {"decimals scaled", folder.Write("h.csv", quarters), {"--size", "13", "--scale", "4"}, ""},
        {"exponents", folder.Write("i.csv", Spelled(rows, ",", [](int32_t v) { return std::to_string(v) + "00e-2"; })),
         {"--size", "13", "--scale", "1"}, ""},
        {"exponents of whole values, --scale auto",
         folder.Write("o.csv", Spelled(rows, ",", [](int32_t v) { return std::to_string(v) + ".000e0"; })),
         {"--size", "13", "--scale", "auto", "-q"}, ""},
        {"fraction", folder.Write("j.csv", comma), {"--fraction", "0.31"}, ""},  // ceil(0.31 * 40) = 13
        {"tree method, one thread", folder.Write("k.csv", comma), {"-s", "13", "--method", "tree", "-j", "1"}, ""},
        {"described method", folder.Write("l.csv", comma), {"-s", "13", "--method", "described"}, ""},
    };
    for (const Spelling& spelling : spellings) {
        SCOPED_TRACE(spelling.name);
        std::vector<std::string> arguments = {"search", spelling.file, "--format", "json"};
        arguments.insert(arguments.end(), spelling.options.begin(), spelling.options.end());
        const KvsRun run = RunKvs(arguments, spelling.standardInput);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(JsonValue(run.out, "n"), "40");
        EXPECT_EQ(JsonValue(run.out, "d"), "3");
        EXPECT_EQ(JsonValue(run.out, "size"), "13");
        EXPECT_EQ(JsonValue(run.out, "centre"), expected.centre);
        EXPECT_EQ(JsonValue(run.out, "subset"), expected.subset);
        EXPECT_EQ(JsonValue(run.out, "score"), expected.score);
    }
}

// The window's own series, exported as a table, gives the window's centre and
// subset at every noise level.
TEST(KvsSearch, WindowSeriesGivesTheWindowsResult)
{
    ScratchFolder folder;
    const int32_t pick[] = {100, 100};
    VectorsArrayHeader* picked = AppendVector(nullptr, 2, 1, 1, pick, nullptr);
    VectorSeriesHeader* series = BuildVectorSeries(nullptr, 1000, 502, nullptr, picked, nullptr);
    noiseState = kInitialNoiseState;
    for (int32_t level : {0, 5, 10, 25, 50, 100}) {
        SCOPED_TRACE(level);
        AddSeriesNoise(nullptr, level, noiseState, series);
        std::string table = "x,y\n";
        for (int32_t row = 0; row < 1000; ++row)
            table += std::to_string(series->noisyVectorValues[row][0]) + "," +
                     std::to_string(series->noisyVectorValues[row][1]) + "\n";
        VectorHeader* centre = SearchSimilarSubset(nullptr, 1000, 502, 2, nullptr, series);
        FreeVectorHeader(nullptr, centre);
        std::vector<int64_t> subset(series->subsetIndices, series->subsetIndices + 502);
        for (int64_t& row : subset)
            ++row;

        const KvsRun run = RunKvs({"search", folder.Write("series.csv", table), "-s", "502", "--format", "csv"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const std::string expected = "1000,2,502," + std::to_string(series->centerIndex) + ",";
        ASSERT_EQ(run.out.find('\n' + expected), run.out.find('\n')) << run.out.substr(0, 200);
        EXPECT_NE(run.out.find("," + Joined(subset, " ") + ","), std::string::npos);
    }
    FreeVectorSeriesHeader(nullptr, series);
    FreeVectorsArrayHeader(nullptr, picked);
}

// Coordinates at the ends of the 32-bit range: the score passes 64 bits and
// is printed exactly, and the three formats carry the same keys.
TEST(KvsSearch, FormatsCarryTheExactScoreUnderTheDocumentedKeys)
{
    ScratchFolder folder;
    const std::string table = folder.Write("far.csv", "2147483647,2147483647,2147483647,2147483647\n"
                                                      "-2147483648,-2147483648,-2147483648,-2147483648\n");
    const std::string score = "73786976260478468100";  // 4 * (2^32 - 1)^2
    const KvsRun json = RunKvs({"search", table, "-s", "2", "--format", "json", "-j", "1"});
    EXPECT_EQ(json.out, "{\"n\": 2, \"d\": 4, \"size\": 2, \"centre\": 2, \"centre_vector\": [-2147483648, "
                        "-2147483648, -2147483648, -2147483648], \"score\": " + score +
                            ", \"mean_squared_distance\": 36893488130239234048, \"subset\": [2, 1], "
                            "\"method\": " + JsonValue(json.out, "method") +
                            ", \"threads\": 1, \"search_seconds\": " + JsonValue(json.out, "search_seconds") +
                            "}\n");
    const KvsRun csv = RunKvs({"search", table, "-s", "2", "--format", "csv"});
    EXPECT_EQ(csv.out.substr(0, csv.out.find('\n')),
              "n,d,size,centre,centre_vector,score,mean_squared_distance,subset,method,threads,search_seconds");
    EXPECT_NE(csv.out.find("\n2,4,2,2,-2147483648 -2147483648 -2147483648 -2147483648," + score + ","),
              std::string::npos);
    const KvsRun rows = RunKvs({"search", table, "-s", "2", "--format", "rows"});
    EXPECT_EQ(rows.out, "rank,row,squared_distance\n1,2,0\n2,1," + score + "\n");
    const KvsRun text = RunKvs({"search", table, "-s", "2"});
    EXPECT_NE(text.out.find("score     " + score), std::string::npos) << text.out;
}

TEST(KvsSearch, HelpAndVersionAnswerOnStandardOutput)
{
    const struct {
        std::vector<std::string> arguments;
        std::string fragment;
    } cases[] = {
        {{"--help"}, "search"},
        {{"--help"}, "demo  "},
        {{"--help"}, "study  "},
        {{"search", "--help"}, "--size"},
        {{"--version"}, "kvs " KVS_VERSION " ("},
    };
    for (const auto& c : cases) {
        const KvsRun run = RunKvs(c.arguments);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_NE(run.out.find(c.fragment), std::string::npos) << run.out;
    }
}

// kvs demo and kvs study belong to the window helper; a kvs without it (as
// on a machine with the command-line package alone) says so in one line.
TEST(KvsWindowCommands, WithoutTheHelperSayWhatIsMissing)
{
    ScratchFolder folder;
    std::filesystem::create_directory(folder.Path("bin"));
    std::filesystem::copy_file(KVS_PROGRAM, folder.Path("bin/kvs"));
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"demo", "pick:1,2", "search"}, {"demo", "--help"}, {"study", "-q"}}) {
        KvsInvocation invocation;
        invocation.program = folder.Path("bin/kvs");
        invocation.arguments = arguments;
        const KvsRun run = RunKvs(invocation);
        EXPECT_EQ(run.exitCode, 2) << arguments[1];
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "kvs: " + arguments[0] + " needs the window program's helper " +
                               folder.Path("libexec/kvs/kvs-window") +
                               ", which is not installed (it comes with the window program)\n");
    }
}
