// The result of `kvs search` as text, CSV or JSON: a pure function of the
// table and the engine's answer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <kvs/search.h>

enum class ReportFormat { Text, Csv, Json, Rows };

struct SearchReport {
    int64_t rows = 0;
    int32_t dimension = 0;
    int64_t size = 0;
    int64_t centre = 0;                 // 1-based row
    std::vector<int32_t> centreVector;  // the centre's coordinates
    kvs::Score score;
    std::vector<int64_t> subset;        // 1-based rows in the engine's order
    std::vector<kvs::Score> distances;  // each subset row's squared distance to the centre
    kvs::SearchMethod method = kvs::SearchMethod::Auto;
    int threads = 0;
    double searchSeconds = 0;
};

std::string FormatSearchReport(const SearchReport& report, ReportFormat format);

