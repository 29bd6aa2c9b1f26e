// A test-only extension module: kvs._kvs.search with the library's
// allocation hook pointed at a heap that refuses a chosen allocation and
// counts the blocks it hands out, so that a test can fail each allocation of
// a search in turn and see that nothing stays held. The shipped module has
// no such seam: its search always takes the C heap.
#include <cstdlib>
#include <mutex>

#include "search_call.h"

namespace py = pybind11;

namespace {

struct FailingHeap {
    std::mutex lock;
    long failAt = 0;  // the allocation that is refused, counted from 1; 0: none
    long allocations = 0;
    long live = 0;
};

FailingHeap heap;

void* Allocate(void*, std::size_t bytes)
{
    std::lock_guard hold(heap.lock);
    if (++heap.allocations == heap.failAt)
        return nullptr;
    void* block = std::malloc(bytes);
    heap.live += block != nullptr;
    return block;
}

void Release(void*, void* block)
{
    std::lock_guard hold(heap.lock);
    heap.live -= block != nullptr;
    std::free(block);
}

}  // namespace

PYBIND11_MODULE(_kvs_failing_heap, module)
{
    kvs_python::RememberMainThread();
    // A function like kvs._kvs.search whose allocation number fail_at (from 1) fails; 0 fails none.
    module.def("failing_search", [](long failAt) {
        return py::cpp_function(
            [failAt](const py::array_t<int32_t, py::array::c_style>& table, int64_t size, const std::string& method,
                     int threads, const py::object& progress) {
                {
                    std::lock_guard hold(heap.lock);
                    heap.failAt = failAt;
                    heap.allocations = 0;
                }
                return kvs_python::SearchTable(table, size, kvs_python::MethodNamed(method), threads, progress,
                                               {Allocate, Release, nullptr});
            },
            py::arg("table").noconvert(), py::arg("size"), py::arg("method"), py::arg("threads"),
            py::arg("progress"));
    });
    // (allocations made by the last search, blocks still held)
    module.def("counts", [] {
        std::lock_guard hold(heap.lock);
        return py::make_tuple(heap.allocations, heap.live);
    });
}
