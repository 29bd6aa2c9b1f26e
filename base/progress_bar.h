// A progress bar on standard error for work that runs long: the fraction
// done, the time elapsed and the time left. It shows only when standard
// error is a terminal, never with --quiet, and only once the work has run
// for a while (half a second unless told), so that short runs print nothing.
#pragma once

#include <chrono>
#include <string>

class ProgressBar {
public:
    static constexpr double kQuietSeconds = 0.5;  // runs shorter than this show no bar

    explicit ProgressBar(bool quiet, double quietSeconds = kQuietSeconds);
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;
    ~ProgressBar();  // clears the bar's line

    // The fraction done, 0 to 1. Calls must not overlap; any thread may make them.
    void Update(double fraction);

    // Clears the bar's line if it was drawn; later updates draw nothing.
    void Finish();

    // Suits SearchProgressReport: context is the ProgressBar.
    static void Report(void* context, double fraction);

private:
    using Clock = std::chrono::steady_clock;
    bool enabled_;
    double quietSeconds_;
    bool drawn_ = false;
    Clock::time_point start_;
    Clock::time_point lastDrawn_;
};

// One line of the bar, at most width characters: "[####    ]  42%  1.3 s, 1.8 s left".
std::string FormatProgressLine(double fraction, double elapsedSeconds, int width);
