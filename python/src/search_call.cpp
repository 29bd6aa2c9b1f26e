#include "search_call.h"

#include <signal.h>

#include <atomic>
#include <chrono>
#include <optional>

#include <pythread.h>

namespace kvs_python {

namespace {

unsigned long mainThread = 0;

// The SIGINT handler in front of Python's while a search runs on the main
// thread. It stays only where SIGINT had a handler function to hand on to
// (Python's, unless a program changed it), and not ours already: a search
// within another (from its progress callable) leaves Ctrl-C to the outer one.
class InterruptCancels {
public:
    explicit InterruptCancels(std::atomic<bool>& cancel)
    {
        if (PyThread_get_thread_ident() != mainThread)
            return;
        // Installed at once, and put back if what it replaced was no handler
        // to hand on to: one system call for a search, not two.
        outer_ = cancel_.exchange(&cancel);  // a search on this thread that this one runs within
        struct sigaction ours = {};
        ours.sa_sigaction = Handle;
        ours.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&ours.sa_mask);
        struct sigaction replaced = {};
        installed_ = sigaction(SIGINT, &ours, &replaced) == 0;
        if (installed_ && (HandlesNothing(replaced) || replaced.sa_sigaction == Handle)) {
            sigaction(SIGINT, &replaced, nullptr);
            installed_ = false;
        }
        if (installed_)
            previous_ = replaced;
        else
            cancel_.store(outer_);
    }

    ~InterruptCancels()
    {
        if (installed_) {
            sigaction(SIGINT, &previous_, nullptr);
            cancel_.store(outer_);
        }
    }

    InterruptCancels(const InterruptCancels&) = delete;
    InterruptCancels& operator=(const InterruptCancels&) = delete;

private:
    static bool HandlesNothing(const struct sigaction& action)
    {
        return !(action.sa_flags & SA_SIGINFO) && (action.sa_handler == SIG_DFL || action.sa_handler == SIG_IGN);
    }

    static void Handle(int signal, siginfo_t* info, void* context)
    {
        if (std::atomic<bool>* cancel = cancel_.load())
            cancel->store(true);
        if (previous_.sa_flags & SA_SIGINFO)
            previous_.sa_sigaction(signal, info, context);
        else if (!HandlesNothing(previous_))
            previous_.sa_handler(signal);
    }

    inline static std::atomic<std::atomic<bool>*> cancel_{nullptr};
    inline static struct sigaction previous_ = {};
    std::atomic<bool>* outer_ = nullptr;
    bool installed_ = false;
};

// Hands the search's reports to the progress callable.
struct ProgressRelay {
    const py::object& callable;
    std::atomic<bool>& cancel;
    std::optional<py::error_already_set> raised;

    static void Report(void* context, double fraction)
    {
        auto& relay = *static_cast<ProgressRelay*>(context);
        if (relay.raised)
            return;
        py::gil_scoped_acquire held;
        try {
            relay.callable(fraction);
        } catch (py::error_already_set& error) {
            relay.raised = std::move(error);
            relay.cancel = true;
        }
    }
};

}  // namespace

py::object ExactInt(const kvs::Score& score)
{
    return py::reinterpret_steal<py::object>(PyLong_FromString(kvs::to_string(score).c_str(), nullptr, 10));
}

void ThrowForStatus(kvs::SearchStatus status)
{
    switch (status) {
    case kvs::SearchStatus::OutOfMemory:
        PyErr_SetString(PyExc_MemoryError, "search: out of memory for its working storage (fewer threads need less)");
        throw py::error_already_set();
    case kvs::SearchStatus::Overflow:
        PyErr_SetString(PyExc_OverflowError,
                        "search: a score could exceed the widest sum kept (128 bits); nothing was reported");
        throw py::error_already_set();
    case kvs::SearchStatus::Cancelled:  // by Ctrl-C, where a program's own handler raised nothing
        PyErr_SetString(PyExc_KeyboardInterrupt, "search: interrupted");
        throw py::error_already_set();
    default: throw py::value_error(std::string("search: ") + kvs::SearchStatusMessage(status));
    }
}

void RememberMainThread()
{
    mainThread = py::module_::import("threading").attr("main_thread")().attr("ident").cast<unsigned long>();
}

kvs::SearchMethod MethodNamed(const std::string& name)
{
    for (auto method : {kvs::SearchMethod::Auto, kvs::SearchMethod::Dense, kvs::SearchMethod::Tree,
                        kvs::SearchMethod::Described})
        if (name == kvs::SearchMethodName(method))
            return method;
    throw py::value_error("method '" + name + "': expected auto, dense, tree or described");
}

double RunSearch(kvs::SearchRequest& request, const py::object& progress,
                 const std::function<kvs::SearchStatus(const kvs::SearchRequest&)>& search)
{
    std::atomic<bool> cancel{false};
    ProgressRelay relay{progress, cancel, {}};
    if (!progress.is_none()) {
        request.progress = ProgressRelay::Report;
        request.progressContext = &relay;
    }
    request.cancel = &cancel;
    kvs::SearchStatus status;
    double seconds;
    {
        py::gil_scoped_release released;
        InterruptCancels interrupts(cancel);
        const auto start = std::chrono::steady_clock::now();
        status = search(request);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    if (PyErr_CheckSignals() != 0)
        throw py::error_already_set();
    if (relay.raised)
        throw *relay.raised;
    if (status != kvs::SearchStatus::Ok)
        ThrowForStatus(status);
    return seconds;
}

py::tuple SearchTable(const py::array_t<int32_t, py::array::c_style>& table, int64_t size,
                      kvs::SearchMethod method, int threads, const py::object& progress,
                      const kvs::Allocator& allocator)
{
    if (table.ndim() != 2)
        throw py::value_error("search: the table must be 2-D");
    const int32_t dimension = int32_t(table.shape(1));
    py::array_t<int64_t> subset(size > 0 ? size : 0);

    kvs::SearchRequest request;
    request.table = {table.data(), table.shape(0), dimension};
    request.size = size;
    request.method = method;
    request.threads = threads;
    request.allocator = allocator;
    kvs::SearchResult result;
    result.subset = subset.mutable_data();
    const double seconds = RunSearch(request, progress, [&result](const kvs::SearchRequest& filled) {
        return kvs::SearchSimilarRows(filled, result);
    });

    const int32_t* centre = table.data() + result.centre * dimension;
    py::array_t<int32_t> centreVector(dimension);
    std::copy(centre, centre + dimension, centreVector.mutable_data());
    return py::make_tuple(result.centre, centreVector, subset, ExactInt(result.score),
                          kvs::to_double(result.score) / double(size), kvs::SearchMethodName(result.method),
                          result.threads, seconds);
}

}  // namespace kvs_python
