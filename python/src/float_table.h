// kvs.search's compiled half for float tables searched without a scale: the
// library's exact float search (kvs/float_search.h) on a C-contiguous
// float16, float32 or float64 array.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <kvs/search.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

namespace kvs_python {

namespace py = pybind11;

// What kvs.search found, as SearchTable's tuple (search_call.h) with the
// centre's own floats, the exact score as a fractions.Fraction, and two
// more: the power of two the table's image was searched at (an int, or a
// Fraction below 1) and True (the answer is exact for the floats). A NaN or
// an infinity raises ValueError naming its row (from 0) and its column by
// columnNames.
py::tuple SearchFloatTable(const py::array& table, int64_t size, kvs::SearchMethod method, int threads,
                           const py::object& progress, const std::vector<std::string>& columnNames);

}  // namespace kvs_python
