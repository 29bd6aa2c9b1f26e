// The compiled half of the Python module kvs (kvs._kvs). The package's
// Python half (kvs/__init__.py) checks and reads the arguments and calls
// these; see there for the documented functions.
#include <kvs/search.h>
#include <pybind11/stl.h>

#include "base/progress_bar.h"
#include "float_table.h"
#include "rank_search.h"
#include "search_call.h"
#include "table_values.h"
#include "window_series.h"

namespace py = pybind11;

PYBIND11_MODULE(_kvs, module)
{
    using namespace kvs_python;
    module.doc() = "The compiled half of kvs; use the functions of the kvs package.";
    RememberMainThread();
    // Opaque to Python: a scale as parse_scale read it, handed back to the table readers.
    py::class_<ExactDecimal>(module, "ExactDecimal");
    // kvs search's own bar: on a terminal only, after half a second.
    py::class_<ProgressBar>(module, "ProgressBar")
        .def(py::init([](double quietSeconds) { return std::make_unique<ProgressBar>(false, quietSeconds); }),
             py::arg("quiet_seconds"))
        .def("update", &ProgressBar::Update, py::arg("fraction"))
        .def("close", &ProgressBar::Finish);
    module.def("version", [] { return kvs::version(); }, "The version of libkvs in use.");
    module.def("parse_scale", &ParseScale, py::arg("text"));
    module.def("size_from_fraction", &SizeFromFraction, py::arg("text"), py::arg("rows"));
    module.def("int32_table", &Int32Table, py::arg("values"), py::arg("scale"), py::arg("column_names"));
    module.def("int32_table_from_text", &Int32TableFromText, py::arg("cells"), py::arg("rows"), py::arg("scale"),
               py::arg("column_names"));
    module.def("check_method", [](const std::string& name) { MethodNamed(name); }, py::arg("name"));
    module.def(
        "search",
        [](const py::array_t<int32_t, py::array::c_style>& table, int64_t size, const std::string& method,
           int threads, const py::object& progress) {
            return SearchTable(table, size, MethodNamed(method), threads, progress);
        },
        py::arg("table").noconvert(), py::arg("size"), py::arg("method"), py::arg("threads"), py::arg("progress"));
    module.def(
        "search_floats",
        [](const py::array& table, int64_t size, const std::string& method, int threads, const py::object& progress,
           const std::vector<std::string>& columnNames, int64_t centreBegin, int64_t centreEnd) {
            return SearchFloatTable(table, size, MethodNamed(method), threads, progress, columnNames, centreBegin,
                                    centreEnd);
        },
        py::arg("table").noconvert(), py::arg("size"), py::arg("method"), py::arg("threads"), py::arg("progress"),
        py::arg("column_names"), py::arg("centre_begin") = 0, py::arg("centre_end") = -1);
    module.def("window_series", &BuildWindowSeries, py::arg("picks"), py::arg("levels"), py::arg("length"),
               py::arg("repeats"), py::arg("noise_state"), py::arg("background_state"));
    AddWindowSettings(module);
    AddRankSearch(module);
}
