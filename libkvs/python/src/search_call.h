// kvs.search's compiled half: the library's search on a table already read
// into int32 rows, run on a thread of its own while the caller's thread waits
// without the GIL. The waiting thread wakes every few milliseconds and at
// each progress report: it hands the fraction done to the progress callable
// and checks for signals (Ctrl-C), with the GIL held briefly, so that both
// run in the caller's thread. A pending KeyboardInterrupt, or an exception
// from the callable, raises the request's cancel flag; the search stops at
// its next chunk of centres and the exception is raised once it has.
#pragma once

#include <cstdint>
#include <string>

#include <kvs/search.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

namespace kvs_python {

namespace py = pybind11;

// A method by its name in the library; ValueError for any other name.
kvs::SearchMethod MethodNamed(const std::string& name);

// What kvs.search found: (centre, centre_vector, subset, score,
// mean_squared_distance, method, threads, seconds), rows counted from 0 and
// the score an exact int. progress is None or a callable of the fraction done.
// The allocator is the library's default (the C heap) in the shipped module.
py::tuple SearchTable(const py::array_t<int32_t, py::array::c_style>& table, int64_t size,
                      kvs::SearchMethod method, int threads, const py::object& progress,
                      const kvs::Allocator& allocator = {});

}  // namespace kvs_python
