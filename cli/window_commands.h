// The subcommands that run the window's own code (`kvs demo`, `kvs study`).
// kvs lists them and hands them to its window helper (cli/window_helper.h),
// which carries them out (cli/window/); both take their summaries from here.
#pragma once

inline constexpr const char* kDemoSummary = "Replay the window's actions without a display";
inline constexpr const char* kStudySummary = "Measure how well the search finds the copies as the noise grows";
