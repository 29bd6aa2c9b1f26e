#include "cli/window/study_command.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>

#include "app/app_state.h"
#include "cli/command_line.h"
#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "cli/output_file.h"
#include "cli/window_commands.h"
#include "base/progress_bar.h"
#include "cli/window/study_plot.h"

namespace {

constexpr int32_t kMostTrials = 1000000;
constexpr int32_t kLongestSeries = 1000000;

struct StudyOptions {
    StudySettings settings;
    std::string levels; // "L,L,...", in any order, a level perhaps twice
    int32_t size = 0; // 0: the repeats
    std::string format = "text";
    std::optional<std::string> plotPath;
    bool quiet = false;
};

std::string Number(const char* format, double value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string TextRow(const LevelSummary& l)
{
    char row[160];
    std::snprintf(row, sizeof row, "%5d %6d | %9.4f %7.4f %7.4f | %9.4f %7.4f %7.4f | %9.2f %7.2f %7.2f\n", l.noise,
                  l.trials, l.precision.mean, l.precision.min, l.precision.max, l.recall.mean, l.recall.min,
                  l.recall.max, l.centreError.mean, l.centreError.min, l.centreError.max);
    return row;
}

std::string CsvSummary(const Summary& s)
{
    return Number("%.6g", s.mean) + "," + Number("%.6g", s.min) + "," + Number("%.6g", s.max);
}

std::string JsonSummary(const Summary& s)
{
    return "{\"mean\": " + Number("%.6g", s.mean) + ", \"min\": " + Number("%.6g", s.min) +
           ", \"max\": " + Number("%.6g", s.max) + "}";
}

ToolError CheckSettings(StudyOptions& options)
{
    StudySettings& s = options.settings;
    s.size = options.size ? options.size : s.repeats;
    // Ascending and each once, so that the table and the plot run from left to right.
    const std::vector<int64_t> levels = NumbersOfList(options.levels);
    s.levels.assign(levels.begin(), levels.end());
    std::sort(s.levels.begin(), s.levels.end());
    s.levels.erase(std::unique(s.levels.begin(), s.levels.end()), s.levels.end());
    if (s.repeats > s.length)
        return ArgumentError("study", "--repeats " + std::to_string(s.repeats) + " is more than --length " +
                                          std::to_string(s.length));
    if (s.size > s.length)
        return ArgumentError("study", "--size " + std::to_string(s.size) + " is more than --length " +
                                          std::to_string(s.length));
    if (options.plotPath && !IsPlotFileName(*options.plotPath))
        return ArgumentError("study", "--plot " + *options.plotPath + ": the plot is written as .png or .svg");
    return {};
}

std::string PlotCaption(const StudySettings& s)
{
    return "Similar-subset search under noise: " + Counted(s.trials, "pick") + " per level, " +
           Counted(s.length, "vector") + ", " + Counted(s.repeats, "copy", "copies") + ", subset of " +
           std::to_string(s.size) + (s.size == s.repeats ? " (so precision equals recall)" : "");
}

ToolError Study(StudyOptions& options)
{
    if (ToolError error = CheckSettings(options))
        return error;
    OutputFile table;
    table.Open("-");
    OutputFile plot;
    if (options.plotPath) {
        if (ToolError error = plot.Open(*options.plotPath))
            return error;
    }
    std::vector<LevelSummary> summaries;
    {
        ProgressBar bar(options.quiet);
        if (ToolError error = RunStudy(options.settings, summaries, ProgressBar::Report, &bar, &InterruptFlag()))
            return error;
    }
    if (options.plotPath) {
        std::string bytes;
        ToolError error = RenderStudyPlot(summaries, PlotCaption(options.settings), *options.plotPath, bytes);
        if (error || (error = plot.Write(bytes)) || (error = plot.Commit()))
            return error;
    }
    if (ToolError error = table.Write(FormatStudy(summaries, options.format)))
        return error;
    return table.Commit();
}

} // namespace

std::string FormatStudy(const std::vector<LevelSummary>& summaries, const std::string& format)
{
    std::string out;
    if (format == "csv") {
        out = "noise,trials,precision_mean,precision_min,precision_max,recall_mean,recall_min,recall_max,"
              "centre_error_mean,centre_error_min,centre_error_max\n";
        for (const LevelSummary& l : summaries)
            out += std::to_string(l.noise) + "," + std::to_string(l.trials) + "," + CsvSummary(l.precision) + "," +
                   CsvSummary(l.recall) + "," + CsvSummary(l.centreError) + "\n";
    } else if (format == "json") {
        for (const LevelSummary& l : summaries)
            out += std::string(out.empty() ? "" : ", ") + "{\"noise\": " + std::to_string(l.noise) +
                   ", \"trials\": " + std::to_string(l.trials) + ", \"precision\": " + JsonSummary(l.precision) +
                   ", \"recall\": " + JsonSummary(l.recall) + ", \"centre_error\": " + JsonSummary(l.centreError) +
                   "}";
        out = "{\"levels\": [" + out + "]}\n";
    } else {
        out = "noise trials |       precision           |         recall            |       centre error\n"
              "             |      mean     min     max |      mean     min     max |      mean     min     max\n";
        for (const LevelSummary& l : summaries)
            out += TextRow(l);
    }
    return out;
}

void AddStudyCommand(CLI::App& app, int& exitCode)
{
    auto options = std::make_shared<StudyOptions>();
    StudySettings& s = options->settings;
    for (int32_t i = 0; i < appSettings.noiseLevelCount; ++i)
        options->levels += (i ? "," : "") + std::to_string(appSettings.noiseLevels[i]);
    CLI::App* study = app.add_subcommand("study", kStudySummary);
    study->footer(
        "Each trial picks a vector uniformly over the window's plane (-180..180 on each axis), builds the\n"
        "window's series from it (background vectors, then the copies of the pick, then noise of the level)\n"
        "and searches it. Precision: the share of the subset that are copies; recall: the share of the\n"
        "copies found; centre error: the distance from the found centre's clean vector to the pick.\n"
        "Trial i draws its pick and its generator states from --seed and i alone, and keeps them at every\n"
        "level, so the numbers are the same for any --threads.");
    study->add_option("--levels", options->levels, "Noise levels, comma-separated (studied in ascending order)")
        ->check(WholeNumberList(0, kLargestNoiseLevel, false))
        ->type_name("L,L,...")
        ->capture_default_str();
    study->add_option("--trials", s.trials, "Picks per level, 1 to " + std::to_string(kMostTrials))
        ->transform(WholeNumber(1, kMostTrials))
        ->capture_default_str();
    study->add_option("--seed", s.seed, "Seed of the picks and the series, 0 to 2^64 - 1")
        ->transform(WholeNumber(0, UINT64_MAX))
        ->capture_default_str();
    study->add_option("--length", s.length, "Vectors in a series, 1 to " + std::to_string(kLongestSeries))
        ->transform(WholeNumber(1, kLongestSeries))
        ->capture_default_str();
    study->add_option("--repeats", s.repeats, "Copies of the pick at the series' end")
        ->transform(WholeNumber(1, kLongestSeries))
        ->capture_default_str();
    study->add_option("--size", options->size, "Size of the subset searched for [default: the repeats]")
        ->transform(WholeNumber(1, kLongestSeries));
    study->add_option("-j,--threads", s.threads,
                      "Threads for the trials, at most " + std::to_string(kMaxThreads) +
                          "; 0 for every core the work pays for")
        ->transform(WholeNumber(0, kMaxThreads))
        ->capture_default_str();
    study->add_option("--format", options->format, "Output: text, csv or json")
        ->check(OneOf({"text", "csv", "json"}))
        ->capture_default_str();
    study->add_option("--plot", options->plotPath, "Draw precision and recall against noise to FILE.png or FILE.svg")
        ->type_name("FILE");
    study->add_flag("-q,--quiet", options->quiet, "No progress bar");
    study->callback([options, &exitCode] {
        const ToolError error = Study(*options);
        exitCode = error ? ReportError(error) : kExitOk;
    });
}
