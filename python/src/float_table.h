// kvs.search's compiled half for float tables searched without a scale: the
// library's exact float search (kvs/float_search.h) on a C-contiguous
// float16, float32 or float64 array.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <kvs/float_search.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

namespace kvs_python {

namespace py = pybind11;

// The request to search a float array: its table, size, method and threads,
// the rest as the defaults. ValueError unless the array is 2-D and
// C-contiguous, TypeError unless it holds float16, float32 or float64.
kvs::FloatSearchRequest FloatRequest(const py::array& table, int64_t size, kvs::SearchMethod method, int threads);

// kvs::SearchSimilarFloatRows, but a NaN or an infinity is Ok with the
// result's badRow and badColumn set, for RaiseIfNotFinite to raise once the
// GIL is held again.
kvs::SearchStatus SearchFloats(const kvs::FloatSearchRequest& request, kvs::FloatSearchResult& result);

// ValueError naming the row (from 0) and the column (by columnNames) of the
// NaN or infinity that SearchFloats found; nothing when it found none.
void RaiseIfNotFinite(const py::array& table, const kvs::FloatSearchResult& result,
                      const std::vector<std::string>& columnNames);

// An exact number of the library as a Python int, or a Fraction below 1.
py::object ExactNumber(const kvs::ExactNumber& number);

// What kvs.search found, as SearchTable's tuple (search_call.h) with the
// centre's own floats, the exact score as a fractions.Fraction, and two
// more: the power of two the table's image was searched at (an int, or a
// Fraction below 1) and True (the answer is exact for the floats). The
// centres tried are rows centreBegin to centreEnd - 1 (-1: the last row),
// one process's answer for them.
py::tuple SearchFloatTable(const py::array& table, int64_t size, kvs::SearchMethod method, int threads,
                           const py::object& progress, const std::vector<std::string>& columnNames,
                           int64_t centreBegin = 0, int64_t centreEnd = -1);

}  // namespace kvs_python
