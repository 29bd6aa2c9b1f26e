// The C interface (kvs.h) over the C++ one. A request is a SearchRequest
// with a cancel flag of its own; a result is one block from the request's
// allocator: the answer, then the subset's rows.
#include <kvs/kvs.h>

#include <kvs/search.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "wide_score.h"

struct kvs_request {
    kvs::SearchRequest search;
    std::atomic<bool> cancel{false};
};

struct kvs_result {
    kvs::Allocator allocator;  // where this block came from
    kvs::SearchResult answer;  // answer.subset points just past this struct
    int64_t size = 0;
};

static_assert(int(kvs::SearchStatus::Ok) == KVS_OK && int(kvs::SearchStatus::BadArgument) == KVS_BAD_ARGUMENT &&
              int(kvs::SearchStatus::OutOfMemory) == KVS_OUT_OF_MEMORY &&
              int(kvs::SearchStatus::Cancelled) == KVS_CANCELLED && int(kvs::SearchStatus::Overflow) == KVS_OVERFLOW);
static_assert(int(kvs::SearchMethod::Auto) == KVS_METHOD_AUTO && int(kvs::SearchMethod::Dense) == KVS_METHOD_DENSE &&
              int(kvs::SearchMethod::Tree) == KVS_METHOD_TREE &&
              int(kvs::SearchMethod::Described) == KVS_METHOD_DESCRIBED &&
              int(kvs::SearchMethod::Grid) == KVS_METHOD_GRID);

namespace {
bool IsMethod(kvs_method method) { return method >= KVS_METHOD_AUTO && method <= KVS_METHOD_GRID; }

kvs_status Status(kvs::SearchStatus status) { return kvs_status(int(status)); }

// A result with room for size rows, or none when the allocator refuses it.
kvs_result* NewResult(const kvs::Allocator& allocator, int64_t size)
{
    const std::size_t bytes = sizeof(kvs_result) + std::size_t(size) * sizeof(int64_t);
    void* block = allocator.allocate ? allocator.allocate(allocator.context, bytes) : std::malloc(bytes);
    if (!block)
        return nullptr;
    kvs_result* result = new (block) kvs_result;
    result->allocator = allocator;
    result->size = size;
    result->answer.subset = reinterpret_cast<int64_t*>(result + 1);
    return result;
}
}  // namespace

extern "C" {

const char* kvs_version(void) { return kvs::version(); }

const char* kvs_status_message(kvs_status status) { return kvs::SearchStatusMessage(kvs::SearchStatus(status)); }

const char* kvs_method_name(kvs_method method)
{
    return IsMethod(method) ? kvs::SearchMethodName(kvs::SearchMethod(method)) : nullptr;
}

kvs_status kvs_request_new(const int32_t* values, int64_t rows, int32_t dimension, int64_t size,
                           kvs_request** request)
{
    if (!request)
        return KVS_BAD_ARGUMENT;
    *request = new (std::nothrow) kvs_request;
    if (!*request)
        return KVS_OUT_OF_MEMORY;
    kvs::SearchRequest& search = (*request)->search;
    search.table = {values, rows, dimension};
    search.size = size;
    search.cancel = &(*request)->cancel;
    return KVS_OK;
}

void kvs_request_free(kvs_request* request) { delete request; }

kvs_status kvs_request_set_method(kvs_request* request, kvs_method method)
{
    if (!request || !IsMethod(method))
        return KVS_BAD_ARGUMENT;
    request->search.method = kvs::SearchMethod(method);
    return KVS_OK;
}

kvs_status kvs_request_set_threads(kvs_request* request, int threads)
{
    if (!request || threads < 0)
        return KVS_BAD_ARGUMENT;
    request->search.threads = threads;
    return KVS_OK;
}

kvs_status kvs_request_set_centres(kvs_request* request, int64_t begin, int64_t end)
{
    if (!request)
        return KVS_BAD_ARGUMENT;
    request->search.centreBegin = begin;
    request->search.centreEnd = end;
    return KVS_OK;
}

kvs_status kvs_request_set_progress(kvs_request* request, kvs_progress_function progress, void* context)
{
    if (!request)
        return KVS_BAD_ARGUMENT;
    request->search.progress = progress;
    request->search.progressContext = context;
    return KVS_OK;
}

kvs_status kvs_request_set_allocator(kvs_request* request, kvs_allocate_function allocate,
                                     kvs_release_function release, void* context)
{
    if (!request || (allocate == nullptr) != (release == nullptr))
        return KVS_BAD_ARGUMENT;
    request->search.allocator = {allocate, release, context};
    return KVS_OK;
}

void kvs_request_cancel(kvs_request* request)
{
    if (request)
        request->cancel.store(true);
}

// The search runs first and the result's block is taken for the winner's
// subset only then, so that a bad request allocates nothing.
kvs_status kvs_search(const kvs_request* request, kvs_result** result)
{
    if (!result)
        return KVS_BAD_ARGUMENT;
    *result = nullptr;
    if (!request)
        return KVS_BAD_ARGUMENT;
    const kvs::SearchRequest& search = request->search;
    kvs::SearchResult answer;
    if (const kvs::SearchStatus status = kvs::SearchSimilarRows(search, answer); status != kvs::SearchStatus::Ok)
        return Status(status);
    kvs_result* made = NewResult(search.allocator, answer.centre == kvs::kNoCentre ? 0 : search.size);
    if (!made)
        return KVS_OUT_OF_MEMORY;
    if (made->size > 0) {
        const kvs::SearchStatus status =
            kvs::OrderSubset(search.table, search.size, answer.centre, made->answer.subset, search.allocator);
        if (status != kvs::SearchStatus::Ok) {
            kvs_result_free(made);
            return Status(status);
        }
    }
    answer.subset = made->answer.subset;
    made->answer = answer;
    *result = made;
    return KVS_OK;
}

void kvs_result_free(kvs_result* result)
{
    if (!result)
        return;
    const kvs::Allocator allocator = result->allocator;
    result->~kvs_result();
    if (allocator.release)
        allocator.release(allocator.context, result);
    else
        std::free(result);
}

int64_t kvs_result_centre(const kvs_result* result) { return result ? result->answer.centre : kvs::kNoCentre; }

const int64_t* kvs_result_subset(const kvs_result* result) { return result ? result->answer.subset : nullptr; }

int64_t kvs_result_size(const kvs_result* result) { return result ? result->size : 0; }

void kvs_result_score(const kvs_result* result, uint64_t* high, uint64_t* low)
{
    const kvs::Score score = result ? result->answer.score : kvs::Score{};
    if (high)
        *high = score.high;
    if (low)
        *low = score.low;
}

kvs_method kvs_result_method(const kvs_result* result)
{
    return result ? kvs_method(int(result->answer.method)) : KVS_METHOD_AUTO;
}

int kvs_result_threads(const kvs_result* result) { return result ? result->answer.threads : 0; }

size_t kvs_score_to_string(uint64_t high, uint64_t low, char* text, size_t capacity)
{
    char digits[kvs::kScoreDigits];
    char* const end = digits + kvs::kScoreDigits;
    const char* start = kvs::WriteScoreDigits(kvs::FromScore({high, low}), end);
    const std::size_t length = std::size_t(end - start);
    if (text && length < capacity) {
        std::memcpy(text, start, length);
        text[length] = '\0';
    }
    return length;
}

double kvs_score_to_double(uint64_t high, uint64_t low) { return kvs::to_double({high, low}); }

}  // extern "C"
