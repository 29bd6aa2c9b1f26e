#include "window_series.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "vectors/series_builder.h"

namespace kvs_python {

namespace {

py::array_t<int32_t> Rows(const std::vector<int32_t>& values, int32_t length, int32_t dimension)
{
    return py::array_t<int32_t>({length, dimension}, values.data());
}

}  // namespace

py::tuple BuildWindowSeries(const std::vector<std::vector<int32_t>>& picks, const std::vector<int32_t>& levels,
                            int32_t length, int32_t repeats, int32_t noiseState, int32_t backgroundState)
{
    const int32_t dimension = picks.empty() ? kSeriesDimension : int32_t(picks[0].size());
    std::vector<int32_t> pickRows;
    for (const std::vector<int32_t>& pick : picks)
        pickRows.insert(pickRows.end(), pick.begin(), pick.end());
    SeriesRows series;
    if (!BuildSeriesRows(pickRows, dimension, levels, length, repeats,
                         {int16_t(noiseState), int16_t(backgroundState)}, series)) {
        PyErr_SetString(PyExc_MemoryError,
                        ("out of memory while building a series of " + std::to_string(length) + " vectors").c_str());
        throw py::error_already_set();
    }
    return py::make_tuple(Rows(series.noisy, length, dimension), py::array_t<int32_t>(length, series.identities.data()),
                          Rows(series.clean, length, dimension));
}

int32_t NoiseReach(int32_t level)
{
    // NoiseSample's twelve 15-bit steps less 0x30000 lie in [-6 * 32768, 6 * 32768);
    // times level / 32768, kept to 16 bits.
    return std::min(6 * level, 32768);
}

void AddWindowSettings(py::module_& module)
{
    py::tuple levels(kSeriesNoiseLevels.size());
    for (std::size_t i = 0; i < kSeriesNoiseLevels.size(); ++i)
        levels[i] = kSeriesNoiseLevels[i];
    module.attr("WINDOW_NOISE_LEVELS") = levels;
    module.attr("WINDOW_SERIES_LENGTH") = kSeriesLength;
    module.attr("WINDOW_REPEATS") = kSeriesRepeats;
    module.attr("WINDOW_NOISE_STATE") = kInitialNoiseState;
    module.attr("WINDOW_BACKGROUND_STATE") = kInitialBackgroundState;
    module.attr("WINDOW_DIMENSION") = kSeriesDimension;
    module.attr("WINDOW_LARGEST_NOISE_LEVEL") = kLargestNoiseLevel;
    module.def("window_noise_reach", &NoiseReach, py::arg("level"));
}

}  // namespace kvs_python
