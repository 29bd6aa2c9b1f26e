// The study's picture: precision and recall against the noise level, each a
// line of means within a band from the smallest to the largest trial, drawn
// with Qt Charts on the offscreen platform (no display needed).
#pragma once

#include <string>
#include <vector>

#include "cli/error_report.h"
#include "cli/window/study_run.h"

// Whether the name ends in .png or .svg, letters in any case.
bool IsPlotFileName(const std::string& path);

// The picture encoded as PNG or SVG, by the name's extension.
ToolError RenderStudyPlot(const std::vector<LevelSummary>& summaries, const std::string& caption,
                          const std::string& path, std::string& bytes);
