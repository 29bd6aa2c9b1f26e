// The C interface (kvs.h): the same answer as the C++ search, for integer
// and float tables, every call's refusal of bad arguments, cancelling,
// failed allocations through the hook with nothing held afterwards, and the
// exact scores' words and their nearest doubles.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <kvs/float_search.h>
#include <kvs/kvs.h>

#include "engine_test_support.h"

namespace {
// A request for the given table, freed with the test's scope.
struct Request {
    kvs_request* handle = nullptr;

    Request(const Table& table, int64_t size)
    {
        EXPECT_EQ(kvs_request_new(table.values.data(), table.rows, table.dimension, size, &handle), KVS_OK);
    }
    ~Request() { kvs_request_free(handle); }
};

// Searches with each allocation in turn refused, until one search succeeds:
// every refusal gives KVS_OUT_OF_MEMORY, no result and nothing held, and the
// success holds one block, its result. How many were refused.
template <typename MakeRequest>
int FailEachAllocation(MakeRequest makeRequest)
{
    int failures = 0;
    for (long failing = 1;; ++failing) {
        CountingAllocator counter;
        counter.failAt = failing;
        const kvs::Allocator hook = counter.hook();
        const auto request = makeRequest();
        EXPECT_EQ(kvs_request_set_allocator(request.handle, hook.allocate, hook.release, hook.context), KVS_OK);
        kvs_result* result = nullptr;
        const kvs_status status = kvs_search(request.handle, &result);
        if (status == KVS_OK) {
            EXPECT_EQ(counter.live, 1) << "the result is one block";
            kvs_result_free(result);
            EXPECT_EQ(counter.live, 0);
            return failures;
        }
        EXPECT_EQ(status, KVS_OUT_OF_MEMORY) << "allocation " << failing;
        EXPECT_EQ(result, nullptr) << "allocation " << failing;
        EXPECT_EQ(counter.live, 0) << "allocation " << failing;
        if (status != KVS_OUT_OF_MEMORY)
            return failures;
        ++failures;
    }
}

// mantissa * 2^exponent with the mantissa odd (0: no words, exponent 0), so
// that equal numbers compare equal however they were scaled.
struct Exact {
    std::vector<uint64_t> words;
    int32_t exponent = 0;
    bool operator==(const Exact&) const = default;
};

Exact Canonical(std::vector<uint64_t> words, int32_t exponent)
{
    while (!words.empty() && words.back() == 0)
        words.pop_back();
    while (!words.empty() && words.front() == 0) {
        words.erase(words.begin());
        exponent += 64;
    }
    if (words.empty())
        return {};
    const int shift = __builtin_ctzll(words.front());
    if (shift > 0) {
        for (std::size_t i = 0; i < words.size(); ++i)
            words[i] = words[i] >> shift | (i + 1 < words.size() ? words[i + 1] << (64 - shift) : 0);
        if (words.back() == 0)
            words.pop_back();
    }
    return {words, exponent + shift};
}

// The result's exact score as the library writes it.
Exact ExactScore(const kvs_result* result)
{
    std::vector<uint64_t> words(KVS_EXACT_SCORE_WORDS);
    int32_t exponent = -1;
    words.resize(kvs_result_exact_score(result, words.data(), words.size(), &exponent));
    return {words, exponent};
}

TEST(CInterface, AnswersAsTheCppSearchForEveryMethod)
{
    const Table table = RandomTable(300, 3, 4, 21);
    for (kvs_method method :
         {KVS_METHOD_AUTO, KVS_METHOD_DENSE, KVS_METHOD_TREE, KVS_METHOD_DESCRIBED, KVS_METHOD_GRID}) {
        SCOPED_TRACE(kvs_method_name(method));
        const Found expected = Search(table, 40, kvs::SearchMethod(method), 2);
        Request request(table, 40);
        ASSERT_EQ(kvs_request_set_method(request.handle, method), KVS_OK);
        ASSERT_EQ(kvs_request_set_threads(request.handle, 2), KVS_OK);
        kvs_result* result = nullptr;
        ASSERT_EQ(kvs_search(request.handle, &result), KVS_OK);
        EXPECT_EQ(kvs_result_centre(result), expected.centre);
        ASSERT_EQ(kvs_result_size(result), 40);
        EXPECT_EQ(std::vector<int64_t>(kvs_result_subset(result), kvs_result_subset(result) + 40), expected.subset);
        kvs::Score score;
        kvs_result_score(result, &score.high, &score.low);
        EXPECT_EQ(score, expected.score);
        EXPECT_EQ(ExactScore(result), Canonical({score.low, score.high}, 0));
        EXPECT_EQ(kvs_result_scale_exponent(result), 0);
        EXPECT_EQ(kvs_result_method(result), method == KVS_METHOD_AUTO ? KVS_METHOD_DENSE : method);
        EXPECT_EQ(kvs_result_threads(result), 2);
        kvs_result_free(result);
    }
}

TEST(CInterface, BadArgumentsAreRefusedAndAllocateNothing)
{
    const Table table = RandomTable(6, 2, 9, 2);
    CountingAllocator counter;
    const kvs::Allocator hook = counter.hook();
    Request request(table, 3);
    ASSERT_EQ(kvs_request_set_allocator(request.handle, hook.allocate, hook.release, hook.context), KVS_OK);
    const struct {
        const char* what;
        kvs_status status;
    } calls[] = {
        {"new without a place for the handle", kvs_request_new(table.values.data(), 6, 2, 3, nullptr)},
        {"method of no name", kvs_request_set_method(request.handle, kvs_method(5))},
        {"negative threads", kvs_request_set_threads(request.handle, -1)},
        {"an allocator without release", kvs_request_set_allocator(request.handle, hook.allocate, nullptr, nullptr)},
        {"an allocator without allocate", kvs_request_set_allocator(request.handle, nullptr, hook.release, nullptr)},
        {"no request: method", kvs_request_set_method(nullptr, KVS_METHOD_DENSE)},
        {"no request: threads", kvs_request_set_threads(nullptr, 1)},
        {"no request: centres", kvs_request_set_centres(nullptr, 0, -1)},
        {"no request: progress", kvs_request_set_progress(nullptr, nullptr, nullptr)},
        {"no request: allocator", kvs_request_set_allocator(nullptr, nullptr, nullptr, nullptr)},
        {"no place for the result", kvs_search(request.handle, nullptr)},
    };
    for (const auto& call : calls)
        EXPECT_EQ(call.status, KVS_BAD_ARGUMENT) << call.what;

    // What only the search can tell: each leaves no result.
    const struct {
        const char* what;
        const int32_t* values;
        int64_t rows;
        int64_t size;
        int64_t begin, end;
    } searches[] = {
        {"no values", nullptr, 6, 3, 0, -1},     {"no rows", table.values.data(), 0, 1, 0, -1},
        {"size 0", table.values.data(), 6, 0, 0, -1}, {"size above n", table.values.data(), 6, 7, 0, -1},
        {"centres past the rows", table.values.data(), 6, 3, 0, 7},
    };
    for (const auto& s : searches) {
        kvs_request* bad = nullptr;
        ASSERT_EQ(kvs_request_new(s.values, s.rows, 2, s.size, &bad), KVS_OK);
        ASSERT_EQ(kvs_request_set_allocator(bad, hook.allocate, hook.release, hook.context), KVS_OK);
        ASSERT_EQ(kvs_request_set_centres(bad, s.begin, s.end), KVS_OK);
        auto* result = reinterpret_cast<kvs_result*>(&bad);  // a stale value, to be cleared
        EXPECT_EQ(kvs_search(bad, &result), KVS_BAD_ARGUMENT) << s.what;
        EXPECT_EQ(result, nullptr) << s.what;
        kvs_request_free(bad);
    }
    kvs_result* result = nullptr;
    EXPECT_EQ(kvs_search(nullptr, &result), KVS_BAD_ARGUMENT);
    EXPECT_EQ(counter.seen, 0);

    // A null result reads as none.
    EXPECT_EQ(kvs_result_centre(nullptr), -1);
    EXPECT_EQ(kvs_result_size(nullptr), 0);
    EXPECT_EQ(kvs_result_subset(nullptr), nullptr);
    EXPECT_EQ(kvs_result_exact_score(nullptr, nullptr, 0, nullptr), 0u);
    EXPECT_EQ(kvs_result_scale_exponent(nullptr), 0);
    int64_t row = 0;
    int32_t column = 0;
    kvs_request_not_finite_cell(nullptr, &row, &column);
    EXPECT_EQ(row, -1);
    EXPECT_EQ(column, -1);
    kvs_result_free(nullptr);
    kvs_request_free(nullptr);
    kvs_request_cancel(nullptr);
}

TEST(CInterface, EachFailedAllocationGivesOutOfMemoryAndHoldsNothing)
{
    const Table table = RandomTable(200, 2, 30, 8);
    EXPECT_GE(FailEachAllocation([&] { return Request(table, 9); }), 3)
        << "the search's storage, the result and the subset's order";
}

void CancelOnFirstReport(void* context, double) { kvs_request_cancel(static_cast<kvs_request*>(context)); }

TEST(CInterface, CancelStopsTheSearchAndAnEmptyRangeHasNoCentre)
{
    const Table table = RandomTable(2000, 2, 1000, 3);
    Request cancelled(table, 40);
    ASSERT_EQ(kvs_request_set_progress(cancelled.handle, CancelOnFirstReport, cancelled.handle), KVS_OK);
    kvs_result* result = nullptr;
    EXPECT_EQ(kvs_search(cancelled.handle, &result), KVS_CANCELLED);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(kvs_search(cancelled.handle, &result), KVS_CANCELLED) << "the request stays cancelled";

    Request empty(table, 40);
    ASSERT_EQ(kvs_request_set_centres(empty.handle, 7, 7), KVS_OK);
    ASSERT_EQ(kvs_search(empty.handle, &result), KVS_OK);
    EXPECT_EQ(kvs_result_centre(result), -1);
    EXPECT_EQ(kvs_result_size(result), 0);
    kvs_result_free(result);
}

// A float table in one of the C interface's formats, its values given as
// doubles that the format holds exactly (NaN and infinity too).
struct FloatTable {
    kvs_float_format format;
    std::vector<unsigned char> bytes;
    int64_t rows;
    int32_t dimension;
};

uint16_t HalfOf(double value)
{
    if (std::isnan(value))
        return 0x7e00;
    const uint16_t sign = std::signbit(value) ? 0x8000 : 0;
    if (std::isinf(value))
        return sign | 0x7c00;
    if (value == 0)
        return sign;
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(value), &exponent);  // 0.5 .. 1: eleven bits, the first one implied
    return uint16_t(sign | (exponent + 14) << 10 | (uint16_t(std::ldexp(fraction, 11)) & 0x3ff));
}

template <typename T>
void Append(std::vector<unsigned char>& bytes, T value)
{
    unsigned char raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    bytes.insert(bytes.end(), raw, raw + sizeof(T));
}

FloatTable Floats(kvs_float_format format, const std::vector<double>& values, int32_t dimension)
{
    FloatTable table{format, {}, int64_t(values.size()) / dimension, dimension};
    for (double value : values) {
        if (format == KVS_FLOAT16)
            Append(table.bytes, HalfOf(value));
        else if (format == KVS_FLOAT32)
            Append(table.bytes, float(value));
        else
            Append(table.bytes, value);
    }
    return table;
}

// A float request, freed with the test's scope.
struct FloatRequest {
    kvs_request* handle = nullptr;

    FloatRequest(const FloatTable& table, int64_t size)
    {
        EXPECT_EQ(kvs_request_new_floats(table.bytes.data(), table.format, table.rows, table.dimension, size,
                                         &handle),
                  KVS_OK);
    }
    ~FloatRequest() { kvs_request_free(handle); }
};

TEST(CInterface, FloatTablesOfEveryFormatAnswerAsTheCppSearch)
{
    // Eighths from -50 to 50, which every format holds; float32 and float64
    // also with a tenth added, which no fixed-point image holds.
    std::mt19937 random(5);
    std::uniform_int_distribution<int> eighths(-400, 400);
    std::vector<double> values(600), offset(600);
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = eighths(random) / 8.0;
        offset[i] = values[i] + 0.1;
    }
    const struct {
        const char* name;
        FloatTable table;
        kvs_method method;
    } cases[] = {
        {"float16", Floats(KVS_FLOAT16, values, 3), KVS_METHOD_DENSE},
        {"float32", Floats(KVS_FLOAT32, values, 3), KVS_METHOD_TREE},
        {"float64", Floats(KVS_FLOAT64, values, 3), KVS_METHOD_AUTO},
        {"float32 off the image", Floats(KVS_FLOAT32, offset, 3), KVS_METHOD_DENSE},
        {"float64 off the image", Floats(KVS_FLOAT64, offset, 2), KVS_METHOD_GRID},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int64_t size = 9;
        std::vector<int64_t> expectedSubset(size);
        kvs::FloatSearchRequest cpp;
        cpp.table = {c.table.bytes.data(), kvs::FloatFormat(c.table.format), c.table.rows, c.table.dimension};
        cpp.search.size = size;
        cpp.search.method = kvs::SearchMethod(c.method);
        cpp.search.threads = 2;
        kvs::FloatSearchResult expected;
        expected.subset = expectedSubset.data();
        ASSERT_EQ(kvs::SearchSimilarFloatRows(cpp, expected), kvs::SearchStatus::Ok);

        FloatRequest request(c.table, size);
        ASSERT_EQ(kvs_request_set_method(request.handle, c.method), KVS_OK);
        ASSERT_EQ(kvs_request_set_threads(request.handle, 2), KVS_OK);
        kvs_result* result = nullptr;
        ASSERT_EQ(kvs_search(request.handle, &result), KVS_OK);
        EXPECT_EQ(kvs_result_centre(result), expected.centre);
        ASSERT_EQ(kvs_result_size(result), size);
        EXPECT_EQ(std::vector<int64_t>(kvs_result_subset(result), kvs_result_subset(result) + size), expectedSubset);
        EXPECT_EQ(ExactScore(result), Canonical(expected.score.words, expected.score.exponent));
        EXPECT_EQ(kvs_result_scale_exponent(result), expected.scaleExponent);
        EXPECT_EQ(kvs_method(int(expected.method)), kvs_result_method(result));
        EXPECT_EQ(kvs_result_threads(result), expected.threads);
        uint64_t high = 1, low = 1;
        kvs_result_score(result, &high, &low);
        EXPECT_EQ(high | low, 0u) << "a float table's score is read whole only as words";
        kvs_result_free(result);
    }
}

TEST(CInterface, FloatTiesAreExact)
{
    const double below = std::nextafter(1.0, 0.0);
    const struct {
        const char* name;
        kvs_float_format format;
        std::vector<double> values;  // one column
        int64_t size;
        int64_t centre;
        std::vector<int64_t> subset;
        Exact score;
        double nearest;
    } cases[] = {
        // every centre scores 0.375² = 9/64: the last wins
        {"a tie in float16", KVS_FLOAT16, {0, 0.375, 0.75}, 2, 2, {2, 1}, {{9}, -6}, 0.140625},
        {"a tie in float32", KVS_FLOAT32, {0.75, 0.375, 0}, 2, 2, {2, 1}, {{9}, -6}, 0.140625},
        // centre 1 scores (1 - 2^-53)², centre 0 the same, centre 2 (1 + 2^-53)²: no fixed point tells
        // them apart; the exact score is 2^106 - 2^54 + 1 units of 2^-106
        {"a near tie in float64",
         KVS_FLOAT64,
         {0, below, 2},
         2,
         1,
         {1, 0},
         {{1 - (uint64_t(1) << 54), (uint64_t(1) << 42) - 1}, -106},
         1 - std::ldexp(1.0, -52)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FloatTable table = Floats(c.format, c.values, 1);
        FloatRequest request(table, c.size);
        for (int threads : {1, 3}) {
            ASSERT_EQ(kvs_request_set_threads(request.handle, threads), KVS_OK);
            kvs_result* result = nullptr;
            ASSERT_EQ(kvs_search(request.handle, &result), KVS_OK);
            EXPECT_EQ(kvs_result_centre(result), c.centre);
            EXPECT_EQ(std::vector<int64_t>(kvs_result_subset(result), kvs_result_subset(result) + c.size), c.subset);
            const Exact score = ExactScore(result);
            EXPECT_EQ(score, c.score);
            EXPECT_EQ(kvs_exact_score_to_double(score.words.data(), score.words.size(), score.exponent), c.nearest);
            kvs_result_free(result);
        }
    }
}

TEST(CInterface, TheWidestScoreFitsItsWords)
{
    // The largest squares of float64 and the smallest unit: a score of 66 words, above every double.
    const double largest = std::numeric_limits<double>::max();
    const FloatTable table = Floats(KVS_FLOAT64, {largest, std::numeric_limits<double>::denorm_min(), -largest, 0}, 2);
    FloatRequest request(table, 2);
    kvs_result* result = nullptr;
    ASSERT_EQ(kvs_search(request.handle, &result), KVS_OK);
    EXPECT_EQ(kvs_result_centre(result), 1);
    uint64_t words[KVS_EXACT_SCORE_WORDS];
    int32_t exponent = 0;
    const size_t count = kvs_result_exact_score(result, words, KVS_EXACT_SCORE_WORDS, &exponent);
    EXPECT_GE(count, 66u);
    EXPECT_LE(count, size_t(KVS_EXACT_SCORE_WORDS));
    EXPECT_EQ(exponent, -2148) << "2^-1074 squared";
    EXPECT_EQ(kvs_exact_score_to_double(words, count, exponent), HUGE_VAL);
    EXPECT_EQ(kvs_result_exact_score(result, words, count - 1, &exponent), count) << "too little room: the count";
    kvs_result_free(result);
}

TEST(CInterface, ExactScoresBecomeTheNearestDouble)
{
    const uint64_t twoTo53 = uint64_t(1) << 53;
    const double smallest = std::numeric_limits<double>::denorm_min();
    const struct {
        const char* name;
        std::vector<uint64_t> words;
        int32_t exponent;
        double nearest;
    } cases[] = {
        {"zero", {}, 5, 0.0},
        {"zero words above", {5, 0, 0}, 0, 5.0},
        {"a fraction", {3}, -1, 1.5},
        {"a tie, to even below", {twoTo53 + 1}, 0, std::ldexp(1.0, 53)},
        {"a tie, to even above", {twoTo53 + 3}, 0, std::ldexp(1.0, 53) + 4},
        {"just above a tie, a word below", {1, twoTo53 + 1}, 0, std::ldexp(double(twoTo53 + 2), 64)},
        {"just above a tie, two words below", {1, 0, twoTo53 + 1}, 0, std::ldexp(double(twoTo53 + 2), 128)},
        {"the largest double", {twoTo53 - 1}, 971, std::numeric_limits<double>::max()},
        {"rounds up past the largest", {2 * twoTo53 - 1}, 970, HUGE_VAL},
        {"past the doubles", {1}, 1024, HUGE_VAL},
        {"the smallest subnormal", {1}, -1074, smallest},
        {"half the smallest: to even, 0", {1}, -1075, 0.0},
        {"a subnormal tie, to even above", {3}, -1075, 2 * smallest},
        {"just above half the smallest", {(uint64_t(1) << 60) + 1}, -1135, smallest},
        {"far below the subnormals", {~uint64_t(0)}, -1200, 0.0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kvs_exact_score_to_double(c.words.data(), c.words.size(), c.exponent), c.nearest) << c.name;
}

TEST(CInterface, NotFiniteFloatsAreRefusedWithTheirCell)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const struct {
        const char* name;
        FloatTable table;
        int64_t row;
        int32_t column;
    } cases[] = {
        {"NaN in float16", Floats(KVS_FLOAT16, {1, 2, 3, nan, 5, 6}, 2), 1, 1},
        {"-inf in float32", Floats(KVS_FLOAT32, {1, 2, 3, 4, -infinity, 6}, 3), 1, 1},
        {"NaN before inf in float64", Floats(KVS_FLOAT64, {1, 2, nan, infinity}, 1), 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CountingAllocator counter;
        const kvs::Allocator hook = counter.hook();
        FloatRequest request(c.table, 1);
        ASSERT_EQ(kvs_request_set_allocator(request.handle, hook.allocate, hook.release, hook.context), KVS_OK);
        int64_t row = 0;
        int32_t column = 0;
        kvs_request_not_finite_cell(request.handle, &row, &column);
        EXPECT_EQ(row, -1) << "no search yet";
        auto* result = reinterpret_cast<kvs_result*>(&row);  // a stale value, to be cleared
        ASSERT_EQ(kvs_search(request.handle, &result), KVS_NOT_FINITE);
        EXPECT_EQ(result, nullptr);
        EXPECT_EQ(counter.live, 0);
        kvs_request_not_finite_cell(request.handle, &row, &column);
        EXPECT_EQ(row, c.row);
        EXPECT_EQ(column, c.column);
    }
    EXPECT_STREQ(kvs_status_message(KVS_NOT_FINITE), "not a finite number");
}

TEST(CInterface, BadFloatRequestsAreRefusedAndHoldNothing)
{
    const FloatTable table = Floats(KVS_FLOAT32, {0.5, 1.5, 2.5, 3.5, 4.5, 5.5}, 2);
    kvs_request* request = reinterpret_cast<kvs_request*>(&request);  // a stale value, to be cleared
    EXPECT_EQ(kvs_request_new_floats(table.bytes.data(), kvs_float_format(3), 3, 2, 1, &request), KVS_BAD_ARGUMENT);
    EXPECT_EQ(request, nullptr);
    EXPECT_EQ(kvs_request_new_floats(table.bytes.data(), KVS_FLOAT32, 3, 2, 1, nullptr), KVS_BAD_ARGUMENT);

    const struct {
        const char* what;
        const void* values;
        int64_t rows;
        int32_t dimension;
        int64_t size;
        int64_t begin, end;
    } searches[] = {
        {"no values", nullptr, 3, 2, 1, 0, -1},
        {"no rows", table.bytes.data(), 0, 2, 1, 0, -1},
        {"no columns", table.bytes.data(), 3, 0, 1, 0, -1},
        {"size 0", table.bytes.data(), 3, 2, 0, 0, -1},
        {"size above n", table.bytes.data(), 3, 2, 4, 0, -1},
        {"rows past 2^31 - 1", table.bytes.data(), int64_t(1) << 40, 2, int64_t(1) << 40, 0, -1},
        {"centres past the rows", table.bytes.data(), 3, 2, 1, 0, 4},
    };
    for (const auto& s : searches) {
        CountingAllocator counter;
        const kvs::Allocator hook = counter.hook();
        ASSERT_EQ(kvs_request_new_floats(s.values, KVS_FLOAT32, s.rows, s.dimension, s.size, &request), KVS_OK);
        ASSERT_EQ(kvs_request_set_allocator(request, hook.allocate, hook.release, hook.context), KVS_OK);
        ASSERT_EQ(kvs_request_set_centres(request, s.begin, s.end), KVS_OK);
        kvs_result* result = reinterpret_cast<kvs_result*>(&request);
        EXPECT_EQ(kvs_search(request, &result), KVS_BAD_ARGUMENT) << s.what;
        EXPECT_EQ(result, nullptr) << s.what;
        EXPECT_EQ(counter.live, 0) << s.what;
        kvs_request_free(request);
    }
}

TEST(CInterface, FloatSearchesThatRunOutOfMemoryOrAreCancelledHoldNothing)
{
    const Table integers = RandomTable(200, 4, 30, 9);
    std::vector<double> values;
    for (int32_t value : integers.values)
        values.push_back(value + 0.1);
    const FloatTable table = Floats(KVS_FLOAT32, values, 4);
    EXPECT_GE(FailEachAllocation([&] { return FloatRequest(table, 7); }), 4)
        << "the result, the image, the column ranges and the search's storage";

    FloatRequest cancelled(table, 7);
    kvs_request_cancel(cancelled.handle);
    kvs_result* result = nullptr;
    EXPECT_EQ(kvs_search(cancelled.handle, &result), KVS_CANCELLED);
    EXPECT_EQ(result, nullptr);
}

TEST(CInterface, NamesMessagesAndVersion)
{
    EXPECT_STREQ(kvs_method_name(KVS_METHOD_DESCRIBED), "described");
    EXPECT_EQ(kvs_method_name(kvs_method(-1)), nullptr);
    EXPECT_STREQ(kvs_status_message(KVS_OUT_OF_MEMORY), "out of memory");
    EXPECT_STREQ(kvs_status_message(KVS_CANCELLED), "cancelled");
    char expected[32];
    std::snprintf(expected, sizeof expected, "%d.%d.%d", KVS_VERSION_MAJOR, KVS_VERSION_MINOR, KVS_VERSION_PATCH);
    EXPECT_STREQ(kvs_version(), expected);
    EXPECT_STREQ(kvs::version(), KVS_VERSION_STRING);
    EXPECT_STREQ(KVS_VERSION_STRING, KVS_EXPECTED_VERSION) << "the project's version, from the build";
}
}  // namespace
