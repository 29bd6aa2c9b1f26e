#include "rank_search.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <kvs/search.h>
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include "cluster/centre_chunks.h"
#include "float_table.h"
#include "search_call.h"

namespace kvs_python {

namespace {

using Table = py::array_t<int32_t, py::array::c_style>;

kvs::VectorTable ViewOf(const Table& table)
{
    if (table.ndim() != 2)
        throw py::value_error("search: the table must be 2-D");
    return {table.data(), table.shape(0), int32_t(table.shape(1))};
}

// Hands the engine the chunks that the Python callable gives; an exception
// from it stops the search and is raised once the search has ended.
struct SourceRelay {
    const py::object& callable;
    std::atomic<bool>& cancel;
    std::optional<py::error_already_set> raised;

    static bool Next(void* context, int64_t* first, int64_t* last)
    {
        auto& relay = *static_cast<SourceRelay*>(context);
        if (relay.raised)
            return false;
        py::gil_scoped_acquire held;
        try {
            const py::object chunk = relay.callable();
            if (chunk.is_none())
                return false;
            const auto range = chunk.cast<std::pair<int64_t, int64_t>>();
            *first = range.first;
            *last = range.second;
            return true;
        } catch (py::error_already_set& error) {
            relay.raised = std::move(error);
        } catch (const py::cast_error&) {
            PyErr_SetString(PyExc_TypeError, "search: a chunk of centres must be (first, last) or None");
            relay.raised.emplace();  // takes the error just set
        }
        relay.cancel = true;
        return false;
    }
};

// Runs search() on the chunks that source hands out, with the GIL released;
// raises what source or the search raised.
void SearchChunks(kvs::SearchRequest& request, const py::object& source,
                  const std::function<kvs::SearchStatus()>& search)
{
    std::atomic<bool> cancel{false};
    SourceRelay relay{source, cancel, {}};
    request.cancel = &cancel;
    request.centreSource = SourceRelay::Next;
    request.centreSourceContext = &relay;
    kvs::SearchStatus status;
    {
        py::gil_scoped_release released;
        status = search();
    }
    if (relay.raised)
        throw *relay.raised;
    if (status != kvs::SearchStatus::Ok)
        ThrowForStatus(status);
}

py::tuple SearchParts(const Table& table, int64_t size, kvs::SearchMethod method, int threads,
                      const py::object& source)
{
    kvs::SearchRequest request;
    request.table = ViewOf(table);
    request.size = size;
    request.method = method;
    request.threads = threads;
    kvs::SearchResult result;
    SearchChunks(request, source, [&] { return kvs::SearchSimilarRows(request, result); });
    return py::make_tuple(result.centre, ExactInt(result.score), kvs::SearchMethodName(result.method),
                          result.threads);
}

py::tuple SearchFloatParts(const py::array& table, int64_t size, kvs::SearchMethod method, int threads,
                           const py::object& source, const std::vector<std::string>& columnNames)
{
    kvs::FloatSearchRequest request = FloatRequest(table, size, method, threads);
    kvs::FloatSearchResult result;
    SearchChunks(request.search, source, [&] { return SearchFloats(request, result); });
    RaiseIfNotFinite(table, result, columnNames);
    return py::make_tuple(result.centre, ExactNumber(result.score), kvs::SearchMethodName(result.method),
                          result.threads);
}

py::array_t<int64_t> OrderedSubset(const Table& table, int64_t size, int64_t centre)
{
    const kvs::VectorTable view = ViewOf(table);
    py::array_t<int64_t> subset(size > 0 ? size : 0);
    int64_t* rows = subset.mutable_data();
    kvs::SearchStatus status;
    {
        py::gil_scoped_release released;
        status = kvs::OrderSubset(view, size, centre, rows);
    }
    if (status != kvs::SearchStatus::Ok)
        ThrowForStatus(status);
    return subset;
}

}  // namespace

void AddRankSearch(py::module_& module)
{
    py::class_<CentreChunks>(module, "CentreChunks")
        .def(py::init([](int64_t centres, int ranks, int threads) {
                 return MakeCentreChunks(0, centres, ranks, threads);
             }),
             py::arg("centres"), py::arg("ranks"), py::arg("threads"))
        .def("take", [](CentreChunks& chunks) {
            const CentreRange range = TakeCentreChunk(chunks);
            return std::make_pair(range.begin, range.end);
        });
    module.def(
        "search_parts",
        [](const Table& table, int64_t size, const std::string& method, int threads, const py::object& source) {
            return SearchParts(table, size, MethodNamed(method), threads, source);
        },
        py::arg("table").noconvert(), py::arg("size"), py::arg("method"), py::arg("threads"), py::arg("source"));
    module.def(
        "search_float_parts",
        [](const py::array& table, int64_t size, const std::string& method, int threads, const py::object& source,
           const std::vector<std::string>& columnNames) {
            return SearchFloatParts(table, size, MethodNamed(method), threads, source, columnNames);
        },
        py::arg("table").noconvert(), py::arg("size"), py::arg("method"), py::arg("threads"), py::arg("source"),
        py::arg("column_names"));
    module.def("ordered_subset", &OrderedSubset, py::arg("table").noconvert(), py::arg("size"), py::arg("centre"));
}

}  // namespace kvs_python
