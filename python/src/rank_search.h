// The compiled parts of kvs.search over the ranks of an MPI job (the Python
// half, kvs/_ranks.py, talks to the other ranks through mpi4py): how the
// centres are dealt out in chunks, as kvs search deals them under mpirun
// (cluster/centre_chunks.h), a search of the chunks a callable hands out (of
// an integer or a float table), and the winner's subset in the engine's order.
#pragma once

#include <pybind11/pybind11.h>

namespace kvs_python {

namespace py = pybind11;

// Adds to the module:
//   CentreChunks(centres, ranks, threads): take() gives the next chunk as
//     (first, last) positions, (n, n) once every centre is handed out;
//   search_parts(table, size, method, threads, source): the best centre of
//     the chunks that source() hands out, as (centre, score, method,
//     threads), centre -1 when it handed out none; source is called with the
//     GIL held, from the search's threads one at a time, and returns
//     (first, last) or None once this process has no more to try;
//   search_float_parts(table, size, method, threads, source, column_names):
//     the same for a float table (float_table.h), its score exact (an int or
//     a Fraction), a NaN or an infinity raised as one process raises it;
//   ordered_subset(table, size, centre): the centre's size nearest rows in
//     the engine's order, int64.
void AddRankSearch(py::module_& module);

}  // namespace kvs_python
