// kvs study: exact at noise 0, the same numbers for any thread count, and a
// plot that real decoders read.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "../../window/export/export_files.h"
#include "cli/window/study_run.h"

namespace {

void ExpectSameSummary(const Summary& a, const Summary& b)
{
    EXPECT_EQ(a.mean, b.mean);
    EXPECT_EQ(a.min, b.min);
    EXPECT_EQ(a.max, b.max);
}

TEST(Study, ExactWithoutNoiseAndTheSameOnOneOrTwoThreads)
{
    StudySettings settings;
    settings.levels = {0, 50};
    settings.trials = 6;
    settings.seed = 7;
    std::vector<LevelSummary> one;
    std::vector<LevelSummary> two;
    settings.threads = 1;
    ASSERT_FALSE(RunStudy(settings, one));
    settings.threads = 2;
    ASSERT_FALSE(RunStudy(settings, two));

    ASSERT_EQ(one.size(), 2u);
    for (const Summary& s : {one[0].precision, one[0].recall})
        ExpectSameSummary(s, {1, 1, 1});
    ExpectSameSummary(one[0].centreError, {0, 0, 0});
    EXPECT_LT(one[1].precision.min, 1); // at level 50 some background always joins the subset
    for (size_t i = 0; i < one.size(); ++i) {
        EXPECT_EQ(one[i].noise, two[i].noise);
        EXPECT_EQ(one[i].trials, 6);
        ExpectSameSummary(one[i].precision, two[i].precision);
        ExpectSameSummary(one[i].recall, two[i].recall);
        ExpectSameSummary(one[i].centreError, two[i].centreError);
    }
}

// With a subset smaller than the copies, every member can be a copy while
// most copies stay out: precision and recall part.
TEST(Study, SmallerSubsetPartsPrecisionFromRecall)
{
    StudySettings settings;
    settings.levels = {0};
    settings.trials = 3;
    settings.length = 300;
    settings.repeats = 200;
    settings.size = 50;
    std::vector<LevelSummary> result;
    ASSERT_FALSE(RunStudy(settings, result));
    ExpectSameSummary(result[0].precision, {1, 1, 1});
    ExpectSameSummary(result[0].recall, {0.25, 0.25, 0.25});
}

// Picks cover the whole plane, both ends included, evenly; generator states
// stay within 15 bits.
TEST(Study, TrialDrawsAreUniformOverThePlane)
{
    std::vector<int> counts(361);
    for (int64_t trial = 0; trial < 36100; ++trial) {
        const TrialDraw draw = DrawTrial(3, trial);
        ASSERT_LE(std::abs(draw.x), 180);
        ASSERT_LE(std::abs(draw.y), 180);
        ASSERT_GE(draw.backgroundState, 0);
        ASSERT_GE(draw.noiseState, 0);
        ++counts[size_t(draw.x + 180)];
    }
    EXPECT_GT(*std::min_element(counts.begin(), counts.end()), 50);
    EXPECT_LT(*std::max_element(counts.begin(), counts.end()), 150);
}

TEST(Study, BadSettingsAreRefusedBeforeAnyWork)
{
    ScratchFolder folder;
    const struct {
        std::string arguments;
        std::string message;
    } cases[] = {
        {"--length 500 --repeats 600", "--repeats 600 is more than --length 500"},
        {"--length 500 --repeats 100 --size 501", "--size 501 is more than --length 500"},
        {"--plot " + folder.path("p.jpg"), "the plot is written as .png or .svg"},
        {"--plot " + folder.path("missing/p.png"), "does not exist"},
        {"--levels 0,20000",
         "kvs study: --levels 0,20000: expected whole numbers from 0 to 10922, separated by commas"},
        {"--levels 0,,5", "--levels 0,,5: expected whole numbers"},
        {"--trials 0", "kvs study: --trials 0: expected a whole number from 1 to 1000000; see 'kvs study --help'"},
        {"--trials 0x10", "--trials 0x10: expected a whole number"},
        {"--seed 18446744073709551616",
         "--seed 18446744073709551616: expected a whole number from 0 to 18446744073709551615"},
        {"--seed -1", "--seed -1: expected a whole number from 0 to"},
        {"-j 257", "--threads 257: expected a whole number from 0 to 256"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        int status = -1;
        const std::string error =
            RunCommand(std::string(KVS_PROGRAM) + " study -q " + c.arguments + " 2>&1 >/dev/null", &status);
        EXPECT_EQ(status, 2);
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_TRUE(std::filesystem::is_empty(folder.path("")));
    }
}

TEST(Study, PlotsAreReadBackByDecoders)
{
    ScratchFolder folder;
    int status = -1;
    // Levels run in ascending order, each once, whatever order the command gives them in.
    const std::string study =
        std::string(KVS_PROGRAM) + " study -q --levels 25,0,25 --trials 2 --length 200 --repeats 100";
    const std::string table = RunCommand(study + " --format csv --plot " + folder.path("p.png"), &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(table.rfind("noise,trials,precision_mean,", 0), 0u) << table;
    EXPECT_NE(table.find("\n0,2,"), std::string::npos) << table;
    EXPECT_EQ(table.find("\n25,2,"), table.rfind("\n25,2,")) << table;
    EXPECT_LT(table.find("\n0,2,"), table.find("\n25,2,")) << table;
    const std::string json = RunCommand(study + " --format json --plot " + folder.path("p.svg"), &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(json.rfind("{\"levels\": [{\"noise\": 0, \"trials\": 2, \"precision\": {\"mean\": 1, \"min\": 1, "
                        "\"max\": 1}, \"recall\": {\"mean\": 1, ",
                        0),
              0u)
        << json;
    const std::string read = RunCommand(
        "/usr/bin/python3 -c 'import sys, xml.etree.ElementTree as E; from PIL import Image; "
        "i = Image.open(sys.argv[1]); i.load(); print(i.format, i.size, E.parse(sys.argv[2]).getroot().tag)' " +
            folder.path("p.png") + " " + folder.path("p.svg"),
        &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(read, "PNG (960, 600) {http://www.w3.org/2000/svg}svg\n");
}

// kvs runs the helper in its own place: a Ctrl-C sent to kvs's process
// reaches the study, which stops, writes nothing and exits with 130. (A
// background job of a shell starts with SIGINT ignored, which kvs respects.)
TEST(Study, CtrlCThroughKvsStopsTheHelper)
{
    ScratchFolder folder;
    int status = -1;
    const std::string out = RunCommand("sh -c 'env --default-signal=INT " + std::string(KVS_PROGRAM) + " study -q --trials 1000000 --plot " +
                                           folder.path("p.png") + " & sleep 1; kill -INT $!; wait $!'",
                                       &status);
    EXPECT_EQ(status, 130);
    EXPECT_EQ(out, "");
    EXPECT_TRUE(std::filesystem::is_empty(folder.path("")));
}

} // namespace
