// Tables handed in from Python, read into the signed 32-bit rows the search
// takes: integers as they are, and with a scale K every value as
// round(value * K), halves away from zero, computed from the value's decimal
// digits by the same exact arithmetic as kvs search --scale. A float's digits
// are the shortest ones that read back as the same float (Python's repr).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <pybind11/numpy.h>

#include "base/exact_decimal.h"

namespace kvs_python {

namespace py = pybind11;

// The scale read from its written digits; ValueError unless it is a number above 0.
ExactDecimal ParseScale(const std::string& text);

// ceil(F * rows) from F's written digits; ValueError unless 0 < F <= 1.
int64_t SizeFromFraction(const std::string& text, int64_t rows);

// A 2-D array of integers or floats (any width, any strides) as a new
// C-contiguous int32 array. Floats need a scale. A value that does not fit
// raises ValueError naming its row (from 0) and its column by columnNames.
py::array_t<int32_t> Int32Table(const py::array& values, const std::optional<ExactDecimal>& scale,
                                const std::vector<std::string>& columnNames);

// The same from cells given as text, row after row, as kvs reads a table:
// for arrays of Python objects or strings.
py::array_t<int32_t> Int32TableFromText(const std::vector<std::string>& cells, int64_t rows,
                                        const std::optional<ExactDecimal>& scale,
                                        const std::vector<std::string>& columnNames);

}  // namespace kvs_python
