#include "base/progress_bar.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
constexpr double kRedrawSeconds = 0.1;   // at most ten redraws a second
constexpr int kDefaultWidth = 80;

int TerminalWidth()
{
    struct winsize size = {};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return kDefaultWidth;
}

std::string FormatSeconds(double seconds)
{
    char text[32];
    if (seconds < 60)
        std::snprintf(text, sizeof text, "%.1f s", seconds);
    else if (seconds < 3600)
        std::snprintf(text, sizeof text, "%d min %02d s", int(seconds) / 60, int(seconds) % 60);
    else
        std::snprintf(text, sizeof text, "%d h %02d min", int(seconds) / 3600, int(seconds) / 60 % 60);
    return text;
}
} // namespace

std::string FormatProgressLine(double fraction, double elapsedSeconds, int width)
{
    fraction = std::clamp(fraction, 0.0, 1.0);
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d%%", int(fraction * 100));
    std::string times = FormatSeconds(elapsedSeconds);
    if (fraction > 0)
        times += ", " + FormatSeconds(elapsedSeconds * (1 - fraction) / fraction) + " left";
    const std::string tail = std::string(" ") + percent + "  " + times;
    const int barWidth = std::min(40, width - 1 - int(tail.size()) - 2);
    if (barWidth < 5)
        return tail.substr(1, std::size_t(std::max(0, width - 1)));
    const int filled = int(std::floor(fraction * barWidth));
    return "[" + std::string(std::size_t(filled), '#') + std::string(std::size_t(barWidth - filled), ' ') + "]" + tail;
}

ProgressBar::ProgressBar(bool quiet, double quietSeconds)
    : enabled_(!quiet && isatty(STDERR_FILENO)), quietSeconds_(quietSeconds), start_(Clock::now()), lastDrawn_(start_)
{
}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Update(double fraction)
{
    if (!enabled_)
        return;
    const Clock::time_point now = Clock::now();
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double sinceDrawn = std::chrono::duration<double>(now - lastDrawn_).count();
    if (elapsed < quietSeconds_ || (drawn_ && sinceDrawn < kRedrawSeconds))
        return;
    const std::string line = FormatProgressLine(fraction, elapsed, TerminalWidth());
    std::fprintf(stderr, "\r%s\x1b[K", line.c_str());
    std::fflush(stderr);
    drawn_ = true;
    lastDrawn_ = now;
}

void ProgressBar::Finish()
{
    if (drawn_) {
        std::fputs("\r\x1b[K", stderr);
        std::fflush(stderr);
    }
    drawn_ = false;
    enabled_ = false;
}

void ProgressBar::Report(void* context, double fraction) { static_cast<ProgressBar*>(context)->Update(fraction); }
