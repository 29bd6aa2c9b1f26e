// The C interface (kvs.h) over the C++ one. A request is a SearchRequest
// (and a float table's view, for a float table) with a cancel flag of its
// own; a result is one block from the request's allocator: the answer, then
// the subset's rows, then the words of the exact score.
#include <kvs/kvs.h>

#include <kvs/float_search.h>
#include <kvs/search.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "wide_score.h"

namespace {
// A not-finite cell as row << 32 | column (a table has at most 2^31 - 1 rows
// and columns), so that it is read and written whole; none yet.
constexpr uint64_t kNoCell = ~uint64_t(0);
}  // namespace

struct kvs_request {
    kvs::SearchRequest search;  // its table is empty for a float table's request
    bool floats = false;
    kvs::FloatTable floatTable;
    std::atomic<bool> cancel{false};
    // Written by kvs_search, which takes the request as const: concurrent
    // searches of one unchanged table find the same cell.
    mutable std::atomic<uint64_t> notFiniteCell{kNoCell};
};

struct kvs_result {
    kvs::Allocator allocator;  // where this block came from
    kvs::SearchResult answer;  // answer.subset points just past this struct; a float table's score is 0
    int64_t size = 0;
    uint64_t* scoreWords = nullptr;  // just past the subset
    std::size_t scoreCount = 0;
    int32_t scoreExponent = 0;
    int32_t scaleExponent = 0;
};

static_assert(int(kvs::SearchStatus::Ok) == KVS_OK && int(kvs::SearchStatus::BadArgument) == KVS_BAD_ARGUMENT &&
              int(kvs::SearchStatus::OutOfMemory) == KVS_OUT_OF_MEMORY &&
              int(kvs::SearchStatus::Cancelled) == KVS_CANCELLED && int(kvs::SearchStatus::Overflow) == KVS_OVERFLOW);
static_assert(int(kvs::SearchStatus::NotFinite) == KVS_NOT_FINITE);
static_assert(int(kvs::FloatFormat::Float16) == KVS_FLOAT16 && int(kvs::FloatFormat::Float32) == KVS_FLOAT32 &&
              int(kvs::FloatFormat::Float64) == KVS_FLOAT64);
static_assert(int(kvs::SearchMethod::Auto) == KVS_METHOD_AUTO && int(kvs::SearchMethod::Dense) == KVS_METHOD_DENSE &&
              int(kvs::SearchMethod::Tree) == KVS_METHOD_TREE &&
              int(kvs::SearchMethod::Described) == KVS_METHOD_DESCRIBED &&
              int(kvs::SearchMethod::Grid) == KVS_METHOD_GRID);

namespace {
bool IsMethod(kvs_method method) { return method >= KVS_METHOD_AUTO && method <= KVS_METHOD_GRID; }

bool IsFloatFormat(kvs_float_format format) { return format >= KVS_FLOAT16 && format <= KVS_FLOAT64; }

kvs_status Status(kvs::SearchStatus status) { return kvs_status(int(status)); }

// A result with room for size rows and a score of `words` words, or none
// when the allocator refuses it.
kvs_result* NewResult(const kvs::Allocator& allocator, int64_t size, std::size_t words)
{
    const std::size_t bytes = sizeof(kvs_result) + std::size_t(size) * sizeof(int64_t) + words * sizeof(uint64_t);
    void* block = allocator.allocate ? allocator.allocate(allocator.context, bytes) : std::malloc(bytes);
    if (!block)
        return nullptr;
    kvs_result* result = new (block) kvs_result;
    result->allocator = allocator;
    result->size = size;
    result->answer.subset = reinterpret_cast<int64_t*>(result + 1);
    result->scoreWords = reinterpret_cast<uint64_t*>(result->answer.subset + size);
    return result;
}

// The exact score into the result as odd words * 2^exponent, so that equal
// scores read the same whatever units the search counted them in: without
// the zero words above the most significant one, nor the zero bits below the
// least significant one.
void KeepScore(kvs_result& result, const uint64_t* words, std::size_t count, int32_t exponent)
{
    while (count > 0 && words[count - 1] == 0)
        --count;
    for (; count > 0 && words[0] == 0; --count, ++words)
        exponent += 64;
    const int shift = count > 0 ? std::countr_zero(words[0]) : 0;
    for (std::size_t i = 0; i < count; ++i)
        result.scoreWords[i] = shift == 0 ? words[i]
                                          : words[i] >> shift | (i + 1 < count ? words[i + 1] << (64 - shift) : 0);
    if (count > 0 && result.scoreWords[count - 1] == 0)
        --count;
    result.scoreCount = count;
    result.scoreExponent = count > 0 ? exponent + shift : 0;
}

// The search runs first and the result's block is taken for the winner's
// subset only then, so that a bad request allocates nothing.
kvs_status SearchIntegers(const kvs_request& request, kvs_result*& result)
{
    const kvs::SearchRequest& search = request.search;
    kvs::SearchResult answer;
    if (const kvs::SearchStatus status = kvs::SearchSimilarRows(search, answer); status != kvs::SearchStatus::Ok)
        return Status(status);
    kvs_result* made = NewResult(search.allocator, answer.centre == kvs::kNoCentre ? 0 : search.size, 2);
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
    const uint64_t words[2] = {answer.score.low, answer.score.high};
    KeepScore(*made, words, 2, 0);
    result = made;
    return KVS_OK;
}

// The float search writes the subset as it runs, so the result's block is
// taken first, with room for the widest score: a float64 score is below
// 2^2112 (squares below 2^2050, at most 2^62 of them) in units of at least
// 2^-2148, which is 67 words. A size the search refuses takes no block.
kvs_status SearchFloats(const kvs_request& request, kvs_result*& result)
{
    const kvs::FloatSearchRequest search{request.floatTable, request.search};
    const int64_t size = search.search.size;
    if (size < 1 || size > search.table.rows || search.table.rows > std::numeric_limits<int32_t>::max())
        return KVS_BAD_ARGUMENT;
    kvs_result* made = NewResult(search.search.allocator, size, KVS_EXACT_SCORE_WORDS);
    if (!made)
        return KVS_OUT_OF_MEMORY;
    kvs::FloatSearchResult answer;
    answer.subset = made->answer.subset;
    kvs::SearchStatus status = kvs::SearchSimilarFloatRows(search, answer);
    if (status == kvs::SearchStatus::NotFinite)
        request.notFiniteCell.store(uint64_t(answer.badRow) << 32 | uint32_t(answer.badColumn));
    if (status == kvs::SearchStatus::Ok && answer.score.words.size() > KVS_EXACT_SCORE_WORDS)
        status = kvs::SearchStatus::Overflow;  // past the bound above: never a truncated score
    if (status != kvs::SearchStatus::Ok) {
        kvs_result_free(made);
        return Status(status);
    }
    made->answer.method = answer.method;
    made->answer.threads = answer.threads;
    made->answer.centre = answer.centre;
    if (answer.centre == kvs::kNoCentre)
        made->size = 0;
    KeepScore(*made, answer.score.words.data(), answer.score.words.size(), answer.score.exponent);
    made->scaleExponent = answer.scaleExponent;
    result = made;
    return KVS_OK;
}

// The nearest double to m * 2^shift rounded to `bits` significant bits (at
// most 53, the fewer a subnormal has), where m holds the number's top 64 bits
// with its top bit set and its lowest bit also set when any bit below was.
double RoundToDouble(uint64_t m, int64_t shift, int bits)
{
    if (bits < 0)
        return 0.0;  // below half the smallest subnormal
    const int dropped = 64 - bits;  // 11 .. 64
    const unsigned __int128 one = 1;
    const unsigned __int128 wide = m;
    uint64_t kept = uint64_t(wide >> dropped);
    const unsigned __int128 rest = wide & ((one << dropped) - 1);
    const unsigned __int128 half = one << (dropped - 1);
    if (rest > half || (rest == half && (kept & 1)))
        ++kept;
    return std::ldexp(double(kept), int(shift + dropped));
}
}  // namespace

extern "C" {

const char* kvs_version(void) { return kvs::version(); }

const char* kvs_status_message(kvs_status status) { return kvs::SearchStatusMessage(kvs::SearchStatus(status)); }

const char* kvs_method_name(kvs_method method)
{
    return IsMethod(method) ? kvs::SearchMethodName(kvs::SearchMethod(method)) : nullptr;
}

kvs_status kvs_request_new_floats(const void* values, kvs_float_format format, int64_t rows, int32_t dimension,
                                  int64_t size, kvs_request** request)
{
    if (!request)
        return KVS_BAD_ARGUMENT;
    *request = nullptr;
    if (!IsFloatFormat(format))
        return KVS_BAD_ARGUMENT;
    const kvs_status status = kvs_request_new(nullptr, 0, 0, size, request);
    if (status == KVS_OK) {
        (*request)->floats = true;
        (*request)->floatTable = {values, kvs::FloatFormat(format), rows, dimension};
    }
    return status;
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

kvs_status kvs_search(const kvs_request* request, kvs_result** result)
{
    if (!result)
        return KVS_BAD_ARGUMENT;
    *result = nullptr;
    if (!request)
        return KVS_BAD_ARGUMENT;
    return request->floats ? SearchFloats(*request, *result) : SearchIntegers(*request, *result);
}

void kvs_request_not_finite_cell(const kvs_request* request, int64_t* row, int32_t* column)
{
    const uint64_t cell = request ? request->notFiniteCell.load() : kNoCell;
    if (row)
        *row = cell == kNoCell ? -1 : int64_t(cell >> 32);
    if (column)
        *column = cell == kNoCell ? -1 : int32_t(uint32_t(cell));
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

size_t kvs_result_exact_score(const kvs_result* result, uint64_t* words, size_t capacity, int32_t* exponent)
{
    const std::size_t count = result ? result->scoreCount : 0;
    if (count <= capacity) {
        if (count > 0 && words)
            std::memcpy(words, result->scoreWords, count * sizeof(uint64_t));
        if (exponent)
            *exponent = result ? result->scoreExponent : 0;
    }
    return count;
}

int32_t kvs_result_scale_exponent(const kvs_result* result) { return result ? result->scaleExponent : 0; }

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

// The top 64 bits with a sticky bit for the rest, rounded once to the
// precision the result has (fewer bits for a subnormal), so that a tie is
// told from a number just above it.
double kvs_exact_score_to_double(const uint64_t* words, size_t count, int32_t exponent)
{
    while (count > 0 && words[count - 1] == 0)
        --count;
    if (count == 0)
        return 0.0;
    const std::size_t top = count - 1;
    const int leading = std::countl_zero(words[top]);
    const uint64_t below = top > 0 ? words[top - 1] : 0;
    uint64_t m = words[top] << leading;
    uint64_t rest = below;  // the bits of the word below that m does not hold
    if (leading > 0) {
        m |= below >> (64 - leading);
        rest = below << leading;
    }
    bool sticky = rest != 0;
    for (std::size_t i = 0; !sticky && i + 1 < top; ++i)
        sticky = words[i] != 0;
    m |= uint64_t(sticky);
    // m * 2^shift is the number up to the sticky bit; its top bit is 2^highest.
    const int64_t shift = int64_t(exponent) + 64 * int64_t(top) - leading;
    const int64_t highest = shift + 63;
    if (highest >= std::numeric_limits<double>::max_exponent)
        return HUGE_VAL;
    const int64_t lowestNormal = std::numeric_limits<double>::min_exponent - 1;
    const int64_t bits = highest >= lowestNormal ? std::numeric_limits<double>::digits : highest - lowestNormal + std::numeric_limits<double>::digits;
    return RoundToDouble(m, shift, int(bits));
}

}  // extern "C"
