#include "vectors/vector_series.h"

#include <algorithm>
#include <cstddef>

#include "platform/memory.h"
#include "platform/message_box.h"
#include "vectors/noise_generators.h"

namespace {

void Report(AppWindow* owner, const char* text) { ShowMessageBox(owner, text, nullptr); }

void ReleaseBuffers(VectorSeriesHeader* series)
{
    ReleaseMemory(series->vectorValues);
    ReleaseMemory(series->vectorIdentities);
    series->vectorValues = nullptr;
    series->noisyVectorValues = nullptr;
    series->vectorIdentities = nullptr;
    series->subsetIndices = nullptr;
    series->subsetCapacity = 0;
}

// The block: identities, clean rows, noisy rows, then the subset area; the
// row table: clean row pointers, then noisy ones.
bool MakeBuffers(AppWindow* owner, int32_t length, int32_t repeats, VectorSeriesHeader* series)
{
    const int32_t rowSlots = series->dimensionCapacity;
    const std::size_t slots = std::size_t(2 * rowSlots + 1) * std::size_t(length) + std::size_t(repeats);
    series->vectorIdentities = static_cast<int32_t*>(AllocateZeroed(slots * sizeof(int32_t)));
    if (!series->vectorIdentities) {
        Report(owner, "Нет памяти для newVectorSeriesHeader->vectorIdentities!");
        return false;
    }
    series->vectorValues = static_cast<int32_t**>(AllocateZeroed(2 * std::size_t(length) * sizeof(int32_t*)));
    if (!series->vectorValues) {
        Report(owner, "Нет памяти для newVectorSeriesHeader->vectorValues!");
        ReleaseBuffers(series);
        return false;
    }
    series->noisyVectorValues = series->vectorValues + length;
    int32_t* cleanRows = series->vectorIdentities + length;
    int32_t* noisyRows = cleanRows + length * rowSlots;
    for (int32_t i = 0; i < length; ++i) {
        series->vectorValues[i] = cleanRows + i * rowSlots;
        series->noisyVectorValues[i] = noisyRows + i * rowSlots;
    }
    series->subsetIndices = noisyRows + length * rowSlots;
    series->subsetCapacity = repeats;
    series->lengthCapacity = length;
    return true;
}

// Uniform background below the tail, drawn into clean and noisy rows alike;
// elements from limit on get zeros and draw nothing.
void DrawBackground(int32_t length, int32_t dimension, int64_t limit, VectorSeriesHeader* series)
{
    for (int32_t i = 0; i < length; ++i) {
        for (int32_t j = 0; j < dimension; ++j) {
            int32_t v = 0;
            if (i < limit)
                v = ((kCoordinateRange - 3) * (RandomStep(backgroundState) - 16384)) / 16384;
            series->vectorValues[i][j] = v;
            series->noisyVectorValues[i][j] = v;
        }
    }
    series->backgroundGenerated = 1;
}

// Each picked vector fills repeats elements, in pick order, from the tail's
// start; copies that would fall past the end are dropped.
void CopyPickedTail(int32_t length, int32_t repeats, int64_t start, const VectorsArrayHeader* picked,
                    VectorSeriesHeader* series)
{
    int64_t element = std::max<int64_t>(start, 0);
    for (int32_t k = 0; k < picked->count; ++k) {
        const int32_t* row = picked->vectorValues[k];
        for (int32_t copy = 0; copy < repeats && element < length; ++copy, ++element) {
            series->vectorIdentities[element] = picked->vectorDescriptors[k];
            std::copy(row, row + picked->dimension, series->vectorValues[element]);
            std::copy(row, row + picked->dimension, series->noisyVectorValues[element]);
        }
    }
}
}

VectorSeriesHeader* BuildVectorSeries(AppWindow* owner, int32_t length, int32_t repeats, VectorHeader* reference,
                                      const VectorsArrayHeader* picked, VectorSeriesHeader* series)
{
    if (!picked) {
        Report(owner, "Не задан lpVectorsArrayHeader!");
        return series;
    }
    if (!picked->vectorValues) {
        Report(owner, "Не заданы значения lpVectorsArrayHeader!");
        return series;
    }
    const int32_t dimension = picked->dimension;
    if (series && (dimension > series->dimensionCapacity || length > series->lengthCapacity)) {
        ReleaseBuffers(series);
        series->dimensionCapacity = dimension;
    }
    if (!series) {
        series = static_cast<VectorSeriesHeader*>(AllocateZeroed(sizeof(VectorSeriesHeader)));
        if (!series) {
            Report(owner, "Нет памяти для newVectorSeriesHeader!");
            return nullptr;
        }
        series->dimensionCapacity = dimension;
        series->lpVectorHeader = reference;
    }
    if (!series->vectorIdentities && !MakeBuffers(owner, length, repeats, series)) {
        ReleaseMemory(series);
        return nullptr;
    }
    const int64_t tailStart = int64_t(length) - int64_t(picked->count) * repeats;
    if (!series->backgroundGenerated)
        DrawBackground(length, dimension, tailStart, series);
    CopyPickedTail(length, repeats, tailStart, picked, series);
    series->dimension = dimension;
    series->length = length;
    series->repeats = repeats;
    return series;
}

void AddSeriesNoise(AppWindow*, int32_t level, int16_t& state, VectorSeriesHeader* series)
{
    if (!series)
        return;
    series->noiseLevel = level;
    for (int32_t i = 0; i < series->length; ++i) {
        for (int32_t j = 0; j < series->dimension; ++j) {
            const int16_t noise = int16_t(NoiseSample(state, 0, level));
            series->noisyVectorValues[i][j] = series->vectorValues[i][j] + noise;
        }
    }
}

void ClearVectorSeries(AppWindow*, VectorSeriesHeader* series)
{
    if (!series || !series->noisyVectorValues)
        return;
    series->noiseLevel = 0;
    for (int32_t i = 0; i < series->length; ++i) {
        series->vectorIdentities[i] = 0;
        std::fill_n(series->noisyVectorValues[i], series->dimension, 0);
        std::fill_n(series->vectorValues[i], series->dimension, 0);
    }
}

VectorSeriesHeader* FreeVectorSeriesHeader(AppWindow*, VectorSeriesHeader* series)
{
    if (series) {
        ReleaseBuffers(series);
        ReleaseMemory(series);
    }
    return nullptr;
}
