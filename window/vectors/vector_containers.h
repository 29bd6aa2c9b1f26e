// Counted integer containers: one vector, a plain int array, a set of vectors
// with a descriptor each, and a counted array of 16-bit samples.
//
// Create operations take the existing record (or none) and return the record
// to use from then on; free operations release a record with all its blocks
// and return none. Callers write each result back into their own field.
#pragma once

#include <cstdint>

#include "platform/types.h"

struct VectorHeader {
    int32_t capacity;  // int32 slots in lpData
    int32_t count;     // coordinates in use
    int32_t value;     // carried with the vector, not interpreted here
    int32_t* lpData;
};

struct VectorsArrayHeader {
    int32_t dimensionCapacity; // int32 slots per row
    int32_t dimension;         // coordinates in use per vector
    int32_t capacity;          // rows there is room for
    int32_t count;             // vectors stored
    int32_t* vectorDescriptors; // the single block: descriptors, then the rows
    int32_t** vectorValues;     // capacity row pointers into the block
};

struct PulseHeader {
    uint16_t count;
    uint16_t capacity;
    int16_t value;
    int16_t* lpData;
};

VectorHeader* CreateVectorHeader(AppWindow* owner, int32_t count, int32_t value, const int32_t* source,
                                 VectorHeader* header);
VectorHeader* FreeVectorHeader(AppWindow* owner, VectorHeader* header);

int32_t* CreateIntArray(AppWindow* owner, int32_t count, int32_t value, int32_t* array);
int32_t* FreeIntArray(AppWindow* owner, int32_t* array);

VectorsArrayHeader* CreateVectorsArrayHeader(AppWindow* owner, int32_t dimension, int32_t capacity,
                                             VectorsArrayHeader* header);
VectorsArrayHeader* AppendVector(AppWindow* owner, int32_t dimension, int32_t capacity, int32_t descriptor,
                                 const int32_t* source, VectorsArrayHeader* header);
VectorsArrayHeader* FreeVectorsArrayHeader(AppWindow* owner, VectorsArrayHeader* header);

PulseHeader* CreatePulseHeader(AppWindow* owner, uint16_t count, int16_t value, const int16_t* samples);
PulseHeader* FreePulseHeader(AppWindow* owner, PulseHeader* header);
