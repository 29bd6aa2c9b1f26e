// The C interface (kvs.h): the same answer as the C++ search, every call's
// refusal of bad arguments, cancelling, and failed allocations through the
// hook with nothing held afterwards.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

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
    kvs_result_free(nullptr);
    kvs_request_free(nullptr);
    kvs_request_cancel(nullptr);
}

TEST(CInterface, EachFailedAllocationGivesOutOfMemoryAndHoldsNothing)
{
    const Table table = RandomTable(200, 2, 30, 8);
    int failures = 0;
    for (long failing = 1;; ++failing) {
        CountingAllocator counter;
        counter.failAt = failing;
        const kvs::Allocator hook = counter.hook();
        Request request(table, 9);
        ASSERT_EQ(kvs_request_set_allocator(request.handle, hook.allocate, hook.release, hook.context), KVS_OK);
        kvs_result* result = nullptr;
        const kvs_status status = kvs_search(request.handle, &result);
        if (status == KVS_OK) {
            EXPECT_EQ(counter.live, 1) << "the result is one block";
            kvs_result_free(result);
            EXPECT_EQ(counter.live, 0);
            break;
        }
        EXPECT_EQ(status, KVS_OUT_OF_MEMORY) << "allocation " << failing;
        EXPECT_EQ(result, nullptr) << "allocation " << failing;
        EXPECT_EQ(counter.live, 0) << "allocation " << failing;
        ++failures;
    }
    EXPECT_GE(failures, 3) << "the search's storage, the result and the subset's order";
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
