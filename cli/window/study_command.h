// kvs study: how well the search finds the copies of a pick as the noise grows.
#pragma once

#include <string>
#include <vector>

#include "cli/window/study_run.h"

namespace CLI {
class App;
}

void AddStudyCommand(CLI::App& app, int& exitCode);

// The summaries as a table ("text"), CSV ("csv") or one JSON object ("json").
std::string FormatStudy(const std::vector<LevelSummary>& summaries, const std::string& format);
