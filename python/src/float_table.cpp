#include "float_table.h"

#include <cmath>

#include "search_call.h"

namespace kvs_python {

namespace {

kvs::FloatFormat FormatOf(const py::array& table)
{
    const py::dtype type = table.dtype();
    if (type.kind() == 'f' && type.itemsize() == 2)
        return kvs::FloatFormat::Float16;
    if (type.kind() == 'f' && type.itemsize() == 4)
        return kvs::FloatFormat::Float32;
    if (type.kind() == 'f' && type.itemsize() == 8)
        return kvs::FloatFormat::Float64;
    throw py::type_error("search: expected float16, float32 or float64 values");
}

}  // namespace

kvs::FloatSearchRequest FloatRequest(const py::array& table, int64_t size, kvs::SearchMethod method, int threads)
{
    if (table.ndim() != 2 || !(table.flags() & py::array::c_style))
        throw py::value_error("search: the table must be 2-D and C-contiguous");
    kvs::FloatSearchRequest request;
    request.table = {table.data(), FormatOf(table), table.shape(0), int32_t(table.shape(1))};
    request.search.size = size;
    request.search.method = method;
    request.search.threads = threads;
    return request;
}

kvs::SearchStatus SearchFloats(const kvs::FloatSearchRequest& request, kvs::FloatSearchResult& result)
{
    const kvs::SearchStatus status = kvs::SearchSimilarFloatRows(request, result);
    return status == kvs::SearchStatus::NotFinite ? kvs::SearchStatus::Ok : status;
}

void RaiseIfNotFinite(const py::array& table, const kvs::FloatSearchResult& result,
                      const std::vector<std::string>& columnNames)
{
    if (result.badRow < 0)
        return;
    const std::size_t column = std::size_t(result.badColumn);
    const py::object cell = table.attr("__getitem__")(py::make_tuple(result.badRow, result.badColumn));
    const double value = cell.cast<double>();
    const std::string name = column < columnNames.size() ? columnNames[column] : std::to_string(column);
    throw py::value_error("row " + std::to_string(result.badRow) + ", column " + name + ": " +
                          (std::isnan(value) ? "nan is not a number (NaN)"
                                             : std::string(value < 0 ? "-inf" : "inf") + " is infinite"));
}

py::object ExactNumber(const kvs::ExactNumber& number)
{
    py::object value = py::int_(0);
    for (auto word = number.words.rbegin(); word != number.words.rend(); ++word)
        value = (value.attr("__lshift__")(64)).attr("__or__")(py::int_(*word));
    const py::object two = py::int_(2);
    if (number.exponent >= 0)
        return value.attr("__mul__")(two.attr("__pow__")(number.exponent));
    return py::module_::import("fractions").attr("Fraction")(value, two.attr("__pow__")(-number.exponent));
}

py::tuple SearchFloatTable(const py::array& table, int64_t size, kvs::SearchMethod method, int threads,
                           const py::object& progress, const std::vector<std::string>& columnNames,
                           int64_t centreBegin, int64_t centreEnd)
{
    kvs::FloatSearchRequest request = FloatRequest(table, size, method, threads);
    request.search.centreBegin = centreBegin;
    request.search.centreEnd = centreEnd;
    py::array_t<int64_t> subset(size > 0 ? size : 0);
    kvs::FloatSearchResult result;
    result.subset = subset.mutable_data();
    // RunSearch fills request.search's progress and cancel fields in place.
    const double seconds = RunSearch(request.search, progress, [&](const kvs::SearchRequest&) {
        return SearchFloats(request, result);
    });
    RaiseIfNotFinite(table, result, columnNames);

    const py::object score = ExactNumber(result.score);
    const py::object centreVector = table.attr("__getitem__")(result.centre).attr("copy")();
    return py::make_tuple(result.centre, centreVector, subset, score,
                          score.attr("__truediv__")(size).cast<double>(), kvs::SearchMethodName(result.method),
                          result.threads, seconds, ExactNumber({{1}, result.scaleExponent}), true);
}

}  // namespace kvs_python
