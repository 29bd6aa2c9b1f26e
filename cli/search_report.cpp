#include "cli/search_report.h"

#include <charconv>

namespace {
// Shortest text that reads back as the same double.
std::string NumberText(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

double MeanSquaredDistance(const SearchReport& report)
{
    return report.size > 0 ? kvs::to_double(report.score) / double(report.size) : 0.0;
}

template <typename T>
std::string Joined(const std::vector<T>& values, const char* separator)
{
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            text += separator;
        text += std::to_string(values[i]);
    }
    return text;
}

std::string AsText(const SearchReport& r)
{
    std::string text;
    text += "rows      " + std::to_string(r.rows) + "\n";
    text += "dimension " + std::to_string(r.dimension) + "\n";
    text += "size      " + std::to_string(r.size) + "\n";
    text += "centre    row " + std::to_string(r.centre) + ": " + Joined(r.centreVector, " ") + "\n";
    text += "score     " + kvs::to_string(r.score) + " (mean squared distance " +
            NumberText(MeanSquaredDistance(r)) + ")\n";
    text += "search    " + std::string(kvs::SearchMethodName(r.method)) + ", " + std::to_string(r.threads) +
            (r.threads == 1 ? " thread, " : " threads, ") + NumberText(r.searchSeconds) + " s\n";
    text += "subset    " + Joined(r.subset, " ") + "\n";
    return text;
}

// One header line and one record, so that the results of several runs
// concatenate into one table; vectors are blank-separated inside their cell.
std::string AsCsv(const SearchReport& r)
{
    return "n,d,size,centre,centre_vector,score,mean_squared_distance,subset,method,threads,search_seconds\n" +
           std::to_string(r.rows) + "," + std::to_string(r.dimension) + "," + std::to_string(r.size) + "," +
           std::to_string(r.centre) + "," + Joined(r.centreVector, " ") + "," + kvs::to_string(r.score) + "," +
           NumberText(MeanSquaredDistance(r)) + "," + Joined(r.subset, " ") + "," + kvs::SearchMethodName(r.method) +
           "," + std::to_string(r.threads) + "," + NumberText(r.searchSeconds) + "\n";
}

// Tidy CSV: one line per subset row, ranked in the engine's order, with its
// squared distance to the centre (exact, as the score is).
std::string AsRows(const SearchReport& r)
{
    std::string text = "rank,row,squared_distance\n";
    for (std::size_t i = 0; i < r.subset.size(); ++i)
        text += std::to_string(i + 1) + "," + std::to_string(r.subset[i]) + "," + kvs::to_string(r.distances[i]) + "\n";
    return text;
}

std::string AsJson(const SearchReport& r)
{
    return "{\"n\": " + std::to_string(r.rows) + ", \"d\": " + std::to_string(r.dimension) +
           ", \"size\": " + std::to_string(r.size) + ", \"centre\": " + std::to_string(r.centre) +
           ", \"centre_vector\": [" + Joined(r.centreVector, ", ") + "], \"score\": " + kvs::to_string(r.score) +
           ", \"mean_squared_distance\": " + NumberText(MeanSquaredDistance(r)) + ", \"subset\": [" +
           Joined(r.subset, ", ") + "], \"method\": \"" + kvs::SearchMethodName(r.method) +
           "\", \"threads\": " + std::to_string(r.threads) + ", \"search_seconds\": " + NumberText(r.searchSeconds) +
           "}\n";
}
} // namespace

std::string FormatSearchReport(const SearchReport& report, ReportFormat format)
{
    switch (format) {
    case ReportFormat::Csv: return AsCsv(report);
    case ReportFormat::Json: return AsJson(report);
    case ReportFormat::Rows: return AsRows(report);
    default: return AsText(report);
    }
}
