// Prints the window's series (see window_series.h) as a table for the
// benchmark script, one "x,y" line per element.
//
//   window_series_table [LEVEL]     (default 100)
#include <cstdio>
#include <cstdlib>

#include "window_series.h"

int main(int argc, char** argv)
{
    const std::vector<int32_t> values = WindowSeriesValues(argc > 1 ? std::atoi(argv[1]) : 100);
    for (size_t i = 0; i < values.size(); i += 2)
        std::printf("%d,%d\n", values[i], values[i + 1]);
    return 0;
}
