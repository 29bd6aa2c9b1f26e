#include "search_call.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace kvs_python {

namespace {

// How often the waiting thread looks for signals while no report comes.
constexpr std::chrono::milliseconds kSignalCheckInterval{20};

// What the searching thread tells the waiting one.
class SearchWatch {
public:
    static void Report(void* context, double fraction)
    {
        auto& watch = *static_cast<SearchWatch*>(context);
        {
            std::lock_guard lock(watch.mutex_);
            watch.fraction_ = fraction;
            watch.reported_ = true;
        }
        watch.changed_.notify_one();
    }

    void Finish()
    {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        changed_.notify_one();
    }

    // Waits for a report, the end of the search or the next signal check.
    // Returns whether the search has ended; fraction holds a new report, if any.
    bool Wait(std::optional<double>& fraction)
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, kSignalCheckInterval, [this] { return finished_ || reported_; });
        fraction.reset();
        if (reported_)
            fraction = fraction_;
        reported_ = false;
        return finished_;
    }

    std::atomic<bool> cancel{false};

private:
    std::mutex mutex_;  // held only to hand over a few values
    std::condition_variable changed_;
    double fraction_ = 0;
    bool reported_ = false;
    bool finished_ = false;
};

py::object ExactInt(const kvs::Score& score)
{
    return py::reinterpret_steal<py::object>(PyLong_FromString(kvs::to_string(score).c_str(), nullptr, 10));
}

[[noreturn]] void ThrowForStatus(kvs::SearchStatus status)
{
    switch (status) {
    case kvs::SearchStatus::OutOfMemory:
        PyErr_SetString(PyExc_MemoryError, "search: out of memory for its working storage (fewer threads need less)");
        throw py::error_already_set();
    case kvs::SearchStatus::Overflow:
        PyErr_SetString(PyExc_OverflowError,
                        "search: a score could exceed the widest sum kept (128 bits); nothing was reported");
        throw py::error_already_set();
    default: throw py::value_error(std::string("search: ") + kvs::SearchStatusMessage(status));
    }
}

}  // namespace

kvs::SearchMethod MethodNamed(const std::string& name)
{
    for (auto method : {kvs::SearchMethod::Auto, kvs::SearchMethod::Dense, kvs::SearchMethod::Tree,
                        kvs::SearchMethod::Described})
        if (name == kvs::SearchMethodName(method))
            return method;
    throw py::value_error("method '" + name + "': expected auto, dense, tree or described");
}

py::tuple SearchTable(const py::array_t<int32_t, py::array::c_style>& table, int64_t size,
                      kvs::SearchMethod method, int threads, const py::object& progress,
                      const kvs::Allocator& allocator)
{
    if (table.ndim() != 2)
        throw py::value_error("search: the table must be 2-D");
    const int64_t rows = table.shape(0);
    const int32_t dimension = int32_t(table.shape(1));
    py::array_t<int64_t> subset(size > 0 ? size : 0);

    SearchWatch watch;
    kvs::SearchRequest request;
    request.table = {table.data(), rows, dimension};
    request.size = size;
    request.method = method;
    request.threads = threads;
    request.progress = SearchWatch::Report;
    request.progressContext = &watch;
    request.cancel = &watch.cancel;
    request.allocator = allocator;
    kvs::SearchResult result;
    result.subset = subset.mutable_data();

    kvs::SearchStatus status = kvs::SearchStatus::Ok;
    double seconds = 0;
    std::optional<py::error_already_set> raised;  // by a signal handler or the progress callable
    {
        py::gil_scoped_release released;
        std::thread searching([&] {
            const auto start = std::chrono::steady_clock::now();
            status = kvs::SearchSimilarRows(request, result);
            seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            watch.Finish();
        });
        for (bool finished = false; !finished;) {
            std::optional<double> fraction;
            finished = watch.Wait(fraction);
            if (raised || (finished && !fraction))
                continue;
            py::gil_scoped_acquire held;
            try {
                if (!finished && PyErr_CheckSignals() != 0)
                    throw py::error_already_set();
                if (fraction && !progress.is_none())
                    progress(*fraction);
            } catch (py::error_already_set& error) {
                raised = std::move(error);
                watch.cancel = true;
            }
        }
        searching.join();
    }
    if (raised)
        throw *raised;
    if (status != kvs::SearchStatus::Ok)
        ThrowForStatus(status);

    const int32_t* centre = table.data() + result.centre * dimension;
    py::array_t<int32_t> centreVector(dimension);
    std::copy(centre, centre + dimension, centreVector.mutable_data());
    return py::make_tuple(result.centre, centreVector, subset, ExactInt(result.score),
                          kvs::to_double(result.score) / double(size), kvs::SearchMethodName(result.method),
                          result.threads, seconds);
}

}  // namespace kvs_python
