#include "vectors/series_builder.h"

#include <algorithm>
#include <cstddef>
#include <mutex>

#include "platform/message_box.h"

namespace {

// Guards the process-wide backgroundState, and the message box handler while
// BuildSeriesRows keeps it quiet. Recursive: a failure is reported in a modal
// box whose event loop may let another main window build on this thread; its
// lend then nests inside this one's and gives everything back in turn.
std::recursive_mutex& BuilderLock()
{
    static std::recursive_mutex lock;
    return lock;
}

// Holds the lock and lends the caller's background state to the process-wide
// one for the life of the object; then the caller's state holds what was drawn
// and the process-wide one its own value again.
class LentBackground {
public:
    explicit LentBackground(int16_t& state) : hold_(BuilderLock()), state_(state), shared_(backgroundState)
    {
        backgroundState = state;
    }
    ~LentBackground()
    {
        state_ = backgroundState;
        backgroundState = shared_;
    }
    LentBackground(const LentBackground&) = delete;
    LentBackground& operator=(const LentBackground&) = delete;

private:
    std::lock_guard<std::recursive_mutex> hold_;
    int16_t& state_;
    const int16_t shared_;
};

// No box for the life of the object; the handler before it comes back after.
class QuietMessages {
public:
    QuietMessages() : shown_(SetMessageBoxHandler([](AppWindow*, const char*, const char*) {})) {}
    ~QuietMessages() { SetMessageBoxHandler(shown_); }
    QuietMessages(const QuietMessages&) = delete;
    QuietMessages& operator=(const QuietMessages&) = delete;

private:
    const MessageBoxHandler shown_;
};

// The records of one BuildSeriesRows, released whatever happens.
struct BuiltRecords {
    VectorsArrayHeader* picked = nullptr;
    VectorSeriesHeader* series = nullptr;
    ~BuiltRecords()
    {
        FreeVectorSeriesHeader(nullptr, series);
        FreeVectorsArrayHeader(nullptr, picked);
    }
};

void CopyRows(const VectorSeriesHeader& series, SeriesRows& rows)
{
    const std::size_t values = std::size_t(series.length) * std::size_t(series.dimension);
    SeriesRows copied;
    copied.noisy.reserve(values);
    copied.clean.reserve(values);
    copied.identities.assign(series.vectorIdentities, series.vectorIdentities + series.length);
    for (int32_t i = 0; i < series.length; ++i) {
        const int32_t* noisy = series.noisyVectorValues[i];
        const int32_t* clean = series.vectorValues[i];
        copied.noisy.insert(copied.noisy.end(), noisy, noisy + series.dimension);
        copied.clean.insert(copied.clean.end(), clean, clean + series.dimension);
    }
    rows = std::move(copied);
}

} // namespace

VectorSeriesHeader* BuildNoisySeries(AppWindow* owner, int32_t length, int32_t repeats, VectorHeader* reference,
                                     const VectorsArrayHeader* picked, int32_t level, GeneratorStates& states,
                                     VectorSeriesHeader* series)
{
    const LentBackground lent(states.background);
    series = BuildVectorSeries(owner, length, repeats, reference, picked, series);
    AddSeriesNoise(owner, level, states.noise, series);
    return series;
}

bool BuildSeriesRows(std::span<const int32_t> picks, int32_t dimension, std::span<const int32_t> levels,
                     int32_t length, int32_t repeats, GeneratorStates states, SeriesRows& rows)
{
    const int32_t count = dimension > 0 ? int32_t(picks.size() / std::size_t(dimension)) : 0;
    const int32_t capacity = std::max(count, 1);
    const std::lock_guard hold(BuilderLock()); // the quiet handler is process-wide too
    const QuietMessages quiet;
    BuiltRecords built;
    built.picked = CreateVectorsArrayHeader(nullptr, dimension, capacity, nullptr);
    for (int32_t k = 0; k < count && built.picked; ++k)
        built.picked = AppendVector(nullptr, dimension, capacity, k + 1,
                                    &picks[std::size_t(k) * std::size_t(dimension)], built.picked);
    for (std::size_t i = 0; i < levels.size() && built.picked && (i == 0 || built.series); ++i)
        built.series = BuildNoisySeries(nullptr, length, repeats, nullptr, built.picked, levels[i], states,
                                        built.series);
    if (!built.series)
        return false;
    CopyRows(*built.series, rows);
    return true;
}
