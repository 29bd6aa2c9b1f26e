// kvs.window_series's compiled half: the window's series made by the
// window's own builder and noise (window/vectors/), from given generator states, so
// that the same picks and levels give the very rows the window shows.
#pragma once

#include <cstdint>
#include <vector>

#include <pybind11/numpy.h>

namespace kvs_python {

namespace py = pybind11;

// The series after the picks (identities 1, 2, ... in order) and one build
// with fresh noise per level, in order, as a pick and then the Noise Level
// Up, Noise Level Down and Repeat buttons make it: (noisy rows,
// identities, clean rows) as int32 arrays. The arguments are as
// kvs.window_series checked them: picks of one dimension, levels from 0 to
// kLargestNoiseLevel, length and repeats from 1 with length times the
// dimension in 32 bits, states of 15 bits, and picks whose noise stays in 32 bits.
py::tuple BuildWindowSeries(const std::vector<std::vector<int32_t>>& picks, const std::vector<int32_t>& levels,
                            int32_t length, int32_t repeats, int32_t noiseState, int32_t backgroundState);

// The most a coordinate moves by the window's noise at level (0 to kLargestNoiseLevel).
int32_t NoiseReach(int32_t level);

// The window's fixed facts, for the Python half's defaults and checks.
void AddWindowSettings(py::module_& module);

}  // namespace kvs_python
