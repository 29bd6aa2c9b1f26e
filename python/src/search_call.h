// kvs.search's compiled half: the library's search on a table already read
// into int32 rows, run on the calling thread with the GIL released.
//
// Python's SIGINT handler only notes a signal for the interpreter to act on
// between bytecodes, which it cannot while a search runs. So while a search
// runs on Python's main thread (where Python raises KeyboardInterrupt), a
// handler in front of Python's raises the search's cancel flag and hands the
// signal on; the search stops at its next chunk of centres, and the
// interpreter's KeyboardInterrupt is raised as the call returns.
//
// The progress callable is called from the search's threads (one at a time),
// with the GIL held for the call; an exception from it raises the cancel flag
// and is raised once the search has stopped.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <kvs/search.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

namespace kvs_python {

namespace py = pybind11;

// Notes which thread is Python's main thread; called when the module loads.
void RememberMainThread();

// A method by its name in the library; ValueError for any other name.
kvs::SearchMethod MethodNamed(const std::string& name);

// Runs search(request) on this thread with the GIL released, the progress
// callable (None or a callable of the fraction done) and Ctrl-C wired to the
// request's progress and cancel fields; raises what the search or the
// callable raised, or the search's status as an exception; returns the
// seconds it took.
double RunSearch(kvs::SearchRequest& request, const py::object& progress,
                 const std::function<kvs::SearchStatus(const kvs::SearchRequest&)>& search);

// A score as an exact Python int (it can exceed 64 bits).
py::object ExactInt(const kvs::Score& score);

// Raises the Python exception for a failed search: MemoryError,
// OverflowError, KeyboardInterrupt or ValueError.
[[noreturn]] void ThrowForStatus(kvs::SearchStatus status);

// What kvs.search found: (centre, centre_vector, subset, score,
// mean_squared_distance, method, threads, seconds), rows counted from 0 and
// the score an exact int. progress is None or a callable of the fraction done.
// The allocator is the library's default (the C heap) in the shipped module.
py::tuple SearchTable(const py::array_t<int32_t, py::array::c_style>& table, int64_t size,
                      kvs::SearchMethod method, int threads, const py::object& progress,
                      const kvs::Allocator& allocator = {});

}  // namespace kvs_python
