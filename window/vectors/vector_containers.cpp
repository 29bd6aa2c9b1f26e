#include "vectors/vector_containers.h"

#include <algorithm>
#include <cstddef>

#include "platform/memory.h"
#include "platform/message_box.h"

namespace {
int32_t* AllocateInts(int32_t count)
{
    return static_cast<int32_t*>(AllocateZeroed(std::size_t(count) * sizeof(int32_t)));
}

void ReportNoMemory(AppWindow* owner, const char* text) { ShowMessageBox(owner, text, nullptr); }

// Releases the row table, then the block, then the record itself.
void ReleaseVectorsArray(VectorsArrayHeader* header)
{
    ReleaseMemory(header->vectorValues);
    ReleaseMemory(header->vectorDescriptors);
    ReleaseMemory(header);
}
}

VectorHeader* CreateVectorHeader(AppWindow* owner, int32_t count, int32_t value, const int32_t* source,
                                 VectorHeader* header)
{
    if (header && count > header->capacity) {
        ReleaseMemory(header->lpData);
        header->lpData = nullptr;
        header->capacity = count;
    }
    if (!header) {
        header = static_cast<VectorHeader*>(AllocateZeroed(sizeof(VectorHeader)));
        if (!header) {
            ReportNoMemory(owner, "Нет памяти для newVectorHeader!");
            return nullptr;
        }
        header->capacity = count;
        header->lpData = nullptr;
    }
    if (!header->lpData) {
        header->lpData = AllocateInts(header->capacity);
        if (!header->lpData) {
            ReportNoMemory(owner, "Нет памяти для newVectorHeader->lpData!");
            ReleaseMemory(header);
            return nullptr;
        }
    }
    header->count = count;
    header->value = value;
    if (source)
        std::copy(source, source + count, header->lpData);
    else
        std::fill(header->lpData, header->lpData + header->capacity, 0);
    return header;
}

VectorHeader* FreeVectorHeader(AppWindow*, VectorHeader* header)
{
    if (header) {
        ReleaseMemory(header->lpData);
        ReleaseMemory(header);
    }
    return nullptr;
}

// A given array is handed back untouched; a new one that cannot be had is none.
int32_t* CreateIntArray(AppWindow*, int32_t count, int32_t value, int32_t* array)
{
    if (array)
        return array;
    array = AllocateInts(count);
    if (array)
        std::fill(array, array + count, value);
    return array;
}

int32_t* FreeIntArray(AppWindow*, int32_t* array)
{
    ReleaseMemory(array);
    return nullptr;
}

VectorsArrayHeader* CreateVectorsArrayHeader(AppWindow* owner, int32_t dimension, int32_t capacity,
                                             VectorsArrayHeader* header)
{
    if (header && (dimension > header->dimensionCapacity || capacity > header->capacity)) {
        ReleaseVectorsArray(header);
        header = nullptr;
    }
    if (!header) {
        header = static_cast<VectorsArrayHeader*>(AllocateZeroed(sizeof(VectorsArrayHeader)));
        if (!header) {
            ReportNoMemory(owner, "Нет памяти для newVectorsArrayHeader!");
            return nullptr;
        }
        header->dimensionCapacity = dimension;
        header->capacity = capacity;
        header->count = 0;
        header->vectorDescriptors = nullptr;
        header->vectorValues = nullptr;
    }
    if (!header->vectorDescriptors) {
        header->vectorDescriptors = AllocateInts(header->capacity + header->capacity * header->dimensionCapacity);
        if (!header->vectorDescriptors) {
            ReportNoMemory(owner, "Нет памяти для newVectorsArrayHeader->vectorDescriptors!");
            ReleaseMemory(header);
            return nullptr;
        }
    }
    if (!header->vectorValues) {
        header->vectorValues = static_cast<int32_t**>(AllocateZeroed(std::size_t(header->capacity) * sizeof(int32_t*)));
        if (!header->vectorValues) {
            ReportNoMemory(owner, "Нет памяти для newVectorsArrayHeader->vectorValues!");
            ReleaseVectorsArray(header);
            return nullptr;
        }
        for (int32_t i = 0; i < header->capacity; ++i)
            header->vectorValues[i] = header->vectorDescriptors + header->capacity + i * header->dimensionCapacity;
    }
    header->dimension = dimension;
    return header;
}

VectorsArrayHeader* AppendVector(AppWindow* owner, int32_t dimension, int32_t capacity, int32_t descriptor,
                                 const int32_t* source, VectorsArrayHeader* header)
{
    if (!header)
        header = CreateVectorsArrayHeader(owner, dimension, capacity, nullptr);
    if (!header || header->count >= header->capacity)
        return header;
    header->vectorDescriptors[header->count] = descriptor;
    if (source) {
        // A row has dimensionCapacity slots; more coordinates would spill into
        // the next row or past the block.
        int32_t copied = std::clamp(dimension, 0, header->dimensionCapacity);
        std::copy(source, source + copied, header->vectorValues[header->count]);
        ++header->count;
    }
    return header;
}

VectorsArrayHeader* FreeVectorsArrayHeader(AppWindow*, VectorsArrayHeader* header)
{
    if (header)
        ReleaseVectorsArray(header);
    return nullptr;
}

PulseHeader* CreatePulseHeader(AppWindow* owner, uint16_t count, int16_t value, const int16_t* samples)
{
    auto* header = static_cast<PulseHeader*>(AllocateZeroed(sizeof(PulseHeader)));
    if (!header) {
        ReportNoMemory(owner, "Нет памяти для newPulseHeader!");
        return nullptr;
    }
    header->count = count;
    header->capacity = count;
    header->value = value;
    header->lpData = static_cast<int16_t*>(AllocateZeroed(std::size_t(count) * sizeof(int16_t)));
    if (!header->lpData) {
        ReleaseMemory(header);
        ReportNoMemory(owner, "Нет памяти для newPulseHeader->lpData!");
        return nullptr;
    }
    if (samples)
        std::copy(samples, samples + count, header->lpData);
    return header;
}

PulseHeader* FreePulseHeader(AppWindow*, PulseHeader* header)
{
    if (header) {
        ReleaseMemory(header->lpData);
        ReleaseMemory(header);
    }
    return nullptr;
}
