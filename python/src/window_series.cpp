#include "window_series.h"

#include <mutex>
#include <string>

#include "app/app_state.h"
#include "platform/message_box.h"
#include "vectors/noise_generators.h"
#include "vectors/vector_containers.h"
#include "vectors/vector_series.h"

namespace kvs_python {

namespace {

// The builder draws the background from the process-wide state and reports
// a failure through the process-wide message box: one series at a time.
std::mutex builderLock;

// The builder's records, released whatever happens.
struct BuiltSeries {
    VectorsArrayHeader* picked = nullptr;
    VectorSeriesHeader* series = nullptr;
    ~BuiltSeries()
    {
        FreeVectorSeriesHeader(nullptr, series);
        FreeVectorsArrayHeader(nullptr, picked);
    }
};

py::array_t<int32_t> Rows(int32_t* const* rows, int32_t length, int32_t dimension)
{
    py::array_t<int32_t> array({length, dimension});
    int32_t* out = array.mutable_data();
    for (int32_t i = 0; i < length; ++i)
        out = std::copy(rows[i], rows[i] + dimension, out);
    return array;
}

}  // namespace

py::tuple BuildWindowSeries(const std::vector<std::vector<int32_t>>& picks, const std::vector<int32_t>& levels,
                            int32_t length, int32_t repeats, int32_t noiseState, int32_t backgroundState)
{
    const int32_t dimension = picks.empty() ? appSettings.defaultDimension : int32_t(picks[0].size());
    const int32_t capacity = std::max<int32_t>(1, int32_t(picks.size()));

    BuiltSeries built;
    {
        std::lock_guard lock(builderLock);
        const MessageBoxHandler savedHandler = SetMessageBoxHandler([](AppWindow*, const char*, const char*) {});
        const int16_t savedBackgroundState = ::backgroundState;
        ::backgroundState = int16_t(backgroundState);
        int16_t noise = int16_t(noiseState);
        built.picked = CreateVectorsArrayHeader(nullptr, dimension, capacity, nullptr);
        for (std::size_t k = 0; k < picks.size() && built.picked; ++k)
            built.picked = AppendVector(nullptr, dimension, capacity, int32_t(k + 1), picks[k].data(), built.picked);
        for (std::size_t i = 0; i < levels.size() && built.picked && (i == 0 || built.series); ++i) {
            built.series = BuildVectorSeries(nullptr, length, repeats, nullptr, built.picked, built.series);
            AddSeriesNoise(nullptr, levels[i], noise, built.series);
        }
        ::backgroundState = savedBackgroundState;
        SetMessageBoxHandler(savedHandler);
    }
    const VectorSeriesHeader* series = built.series;
    if (!series) {
        PyErr_SetString(PyExc_MemoryError,
                        ("out of memory while building a series of " + std::to_string(length) + " vectors").c_str());
        throw py::error_already_set();
    }
    py::array_t<int32_t> identities(length);
    std::copy(series->vectorIdentities, series->vectorIdentities + length, identities.mutable_data());
    return py::make_tuple(Rows(series->noisyVectorValues, length, dimension), identities,
                          Rows(series->vectorValues, length, dimension));
}

int32_t NoiseReach(int32_t level)
{
    // NoiseSample's twelve 15-bit steps less 0x30000 lie in [-6 * 32768, 6 * 32768);
    // times level / 32768, kept to 16 bits.
    return std::min(6 * level, 32768);
}

void AddWindowSettings(py::module_& module)
{
    py::tuple levels(appSettings.noiseLevelCount);
    for (int32_t i = 0; i < appSettings.noiseLevelCount; ++i)
        levels[std::size_t(i)] = appSettings.noiseLevels[i];
    module.attr("WINDOW_NOISE_LEVELS") = levels;
    module.attr("WINDOW_SERIES_LENGTH") = appSettings.seriesLength;
    module.attr("WINDOW_REPEATS") = appSettings.repeatCount;
    module.attr("WINDOW_NOISE_STATE") = kInitialNoiseState;
    module.attr("WINDOW_BACKGROUND_STATE") = kInitialBackgroundState;
    module.attr("WINDOW_DIMENSION") = appSettings.defaultDimension;
    module.attr("WINDOW_LARGEST_NOISE_LEVEL") = kLargestNoiseLevel;
    module.def("window_noise_reach", &NoiseReach, py::arg("level"));
}

}  // namespace kvs_python
