#include "cli/window/study_command.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <optional>

#include "app/app_state.h"
#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "cli/output_file.h"
#include "cli/window_commands.h"
#include "cli/progress_bar.h"
#include "cli/window/study_plot.h"

namespace {

struct StudyOptions {
    StudySettings settings;
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
    if (s.repeats > s.length)
        return UsageError("--repeats " + std::to_string(s.repeats) + " is more than --length " +
                          std::to_string(s.length));
    if (s.size > s.length)
        return UsageError("--size " + std::to_string(s.size) + " is more than --length " + std::to_string(s.length));
    if (options.plotPath && !IsPlotFileName(*options.plotPath))
        return UsageError("--plot " + *options.plotPath + ": the plot is written as .png or .svg");
    return {};
}

std::string PlotCaption(const StudySettings& s)
{
    return "Similar-subset search under noise: " + std::to_string(s.trials) + " picks per level, " +
           std::to_string(s.length) + " vectors, " + std::to_string(s.repeats) + " copies, subset of " +
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
    const auto& levels = appSettings.noiseLevels;
    s.levels.assign(levels, levels + appSettings.noiseLevelCount);
    CLI::App* study = app.add_subcommand("study", kStudySummary);
    study->footer(
        "Each trial picks a vector uniformly over the window's plane (-180..180 on each axis), builds the\n"
        "window's series from it (background vectors, then the copies of the pick, then noise of the level)\n"
        "and searches it. Precision: the share of the subset that are copies; recall: the share of the\n"
        "copies found; centre error: the distance from the found centre's clean vector to the pick.\n"
        "Trial i draws its pick and its generator states from --seed and i alone, and keeps them at every\n"
        "level, so the numbers are the same for any --threads.");
    study->add_option("--levels", s.levels, "Noise levels, comma-separated")
        ->type_name("L,L,...")
        ->delimiter(',')
        ->check(CLI::Range(0, kLargestNoiseLevel))
        ->capture_default_str();
    study->add_option("--trials", s.trials, "Picks per level")->check(CLI::Range(1, 1000000))->capture_default_str();
    study->add_option("--seed", s.seed, "Seed of the picks and the series")->capture_default_str();
    study->add_option("--length", s.length, "Vectors in a series")->check(CLI::Range(1, 1000000))->capture_default_str();
    study->add_option("--repeats", s.repeats, "Copies of the pick at the series' end")
        ->check(CLI::Range(1, 1000000))
        ->capture_default_str();
    study->add_option("--size", options->size, "Size of the subset searched for [default: the repeats]")
        ->check(CLI::Range(1, 1000000));
    study->add_option("-j,--threads", s.threads, "Threads for the trials; 0 for every core")
        ->check(CLI::Range(0, 1024))
        ->capture_default_str();
    study->add_option("--format", options->format, "Output: text, csv or json")
        ->check(CLI::IsMember({"text", "csv", "json"}))
        ->capture_default_str();
    study->add_option("--plot", options->plotPath, "Draw precision and recall against noise to FILE.png or FILE.svg")
        ->type_name("FILE");
    study->add_flag("-q,--quiet", options->quiet, "No progress bar");
    study->callback([options, &exitCode] {
        const ToolError error = Study(*options);
        exitCode = error ? ReportError(error) : kExitOk;
    });
}
