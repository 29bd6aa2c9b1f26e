// What callers rely on besides the result: argument checks, centre ranges
// that combine like one search, progress, cancellation and failed allocations.
#include <gtest/gtest.h>

#include <atomic>
#include <tuple>
#include <utility>

#include "engine_test_support.h"
#include "platform/memory.h"

namespace {
TEST(EngineContract, BadArgumentsAreRefused)
{
    const Table table = RandomTable(5, 2, 9, 1);
    int64_t subset[5];
    const struct {
        const char* what;
        VectorTable view;
        int64_t size;
        int64_t begin;
        int64_t end;
    } cases[] = {
        {"no values", {nullptr, 5, 2}, 2, 0, -1},  {"no rows", {table.values.data(), 0, 2}, 1, 0, -1},
        {"no columns", {table.values.data(), 5, 0}, 2, 0, -1}, {"size 0", table.view(), 0, 0, -1},
        {"size above n", table.view(), 6, 0, -1},  {"range before the rows", table.view(), 2, -1, -1},
        {"range past the rows", table.view(), 2, 0, 6}, {"range backwards", table.view(), 2, 3, 2},
    };
    for (const auto& c : cases) {
        SearchRequest request;
        request.table = c.view;
        request.size = c.size;
        request.centreBegin = c.begin;
        request.centreEnd = c.end;
        SearchResult result;
        result.subset = subset;
        EXPECT_EQ(SearchSimilarRows(request, result), SearchStatus::BadArgument) << c.what;
        EXPECT_EQ(result.centre, 0) << c.what;
    }
    EXPECT_EQ(OrderSubset(table.view(), 2, 0, subset), SearchStatus::BadArgument);
    EXPECT_EQ(OrderSubset(table.view(), 2, 6, subset), SearchStatus::BadArgument);
    EXPECT_EQ(OrderSubset(table.view(), 6, 1, subset), SearchStatus::BadArgument);
    EXPECT_EQ(OrderSubset(table.view(), 2, 1, nullptr), SearchStatus::BadArgument);
}

// A search split over centre ranges, combined by the smallest score (the
// later centre among equals) and ordered by OrderSubset, is the whole search.
TEST(EngineContract, CentreRangesCombineIntoTheWholeSearch)
{
    const Table table = RandomTable(200, 3, 2, 7);
    const Found whole = Search(table, 60, SearchMethod::Auto, 1);
    for (SearchMethod method : {SearchMethod::Dense, SearchMethod::Tree, SearchMethod::Described}) {
        int64_t centre = 0;
        SearchScore score = 0;
        const int64_t ranges[][2] = {{0, 37}, {37, 37}, {37, 150}, {150, 200}};
        for (const auto& range : ranges) {
            SearchRequest request;
            request.table = table.view();
            request.size = 60;
            request.method = method;
            request.centreBegin = range[0];
            request.centreEnd = range[1];
            SearchResult result;
            ASSERT_EQ(SearchSimilarRows(request, result), SearchStatus::Ok);
            if (range[0] == range[1]) {
                EXPECT_EQ(result.centre, 0) << "an empty range has no centre";
                continue;
            }
            if (centre == 0 || result.score < score || (result.score == score && result.centre > centre)) {
                centre = result.centre;
                score = result.score;
            }
        }
        std::vector<int64_t> subset(60);
        ASSERT_EQ(OrderSubset(table.view(), 60, centre, subset.data()), SearchStatus::Ok);
        EXPECT_EQ(centre, whole.centre) << SearchMethodName(method);
        EXPECT_EQ(subset, whole.subset) << SearchMethodName(method);
    }
}

// The parts a centre source hands out, one after another.
struct Parts {
    std::vector<std::pair<int64_t, int64_t>> left;

    static bool Next(void* context, int64_t* first, int64_t* last)
    {
        auto& parts = static_cast<Parts*>(context)->left;
        if (parts.empty())
            return false;
        std::tie(*first, *last) = parts.front();
        parts.erase(parts.begin());
        return true;
    }
};

// Processes that share out the positions through their centre sources, each
// preparing its search once, find the whole search's winner between them; a
// part outside the positions is refused.
TEST(EngineContract, CentreSourcePartsCombineIntoTheWholeSearch)
{
    const Table table = RandomTable(1000, 2, 30, 11);
    for (SearchMethod method : {SearchMethod::Dense, SearchMethod::Tree, SearchMethod::Described}) {
        const int64_t size = method == SearchMethod::Described ? 500 : 30;
        const Found whole = Search(table, size, method, 1);
        const std::vector<std::pair<int64_t, int64_t>> processes[] = {
            {{0, 250}, {250, 250}, {800, 1000}}, {{250, 600}}, {{600, 800}}, {}};
        int64_t centre = 0;
        SearchScore score = 0;
        for (const auto& parts : processes) {
            Parts source{parts};
            SearchRequest request;
            request.table = table.view();
            request.size = size;
            request.method = method;
            request.threads = 2;
            request.centreSource = &Parts::Next;
            request.centreSourceContext = &source;
            SearchResult result;
            ASSERT_EQ(SearchSimilarRows(request, result), SearchStatus::Ok);
            EXPECT_TRUE(source.left.empty());
            if (result.centre != 0 &&
                (centre == 0 || result.score < score || (result.score == score && result.centre > centre))) {
                centre = result.centre;
                score = result.score;
            }
        }
        EXPECT_EQ(centre, whole.centre) << SearchMethodName(method);
        EXPECT_EQ(score, whole.score) << SearchMethodName(method);

        for (const auto& bad : {std::pair<int64_t, int64_t>{-1, 5}, {5, 4}, {999, 1001}}) {
            Parts source{{{0, 10}, bad}};
            SearchRequest request;
            request.table = table.view();
            request.size = size;
            request.method = method;
            request.centreSource = &Parts::Next;
            request.centreSourceContext = &source;
            SearchResult result;
            EXPECT_EQ(SearchSimilarRows(request, result), SearchStatus::BadArgument) << bad.first << ".." << bad.second;
        }
    }
}

struct ProgressLog {
    std::vector<double> fractions;
    std::atomic<bool>* cancelAfterFirst = nullptr;
};

void RecordProgress(void* context, double fraction)
{
    auto* log = static_cast<ProgressLog*>(context);
    log->fractions.push_back(fraction);
    if (log->cancelAfterFirst)
        log->cancelAfterFirst->store(true);
}

TEST(EngineContract, ProgressIsBoundedAndOrderedAndCancelStopsTheSearch)
{
    const Table table = RandomTable(2000, 2, 1000, 3);
    for (SearchMethod method : {SearchMethod::Dense, SearchMethod::Tree, SearchMethod::Described}) {
        SCOPED_TRACE(SearchMethodName(method));
        ProgressLog log;
        std::atomic<bool> cancel{false};
        SearchRequest request;
        request.table = table.view();
        request.size = 40;
        request.method = method;
        request.threads = 2;
        request.progress = RecordProgress;
        request.progressContext = &log;
        request.cancel = &cancel;
        SearchResult result;
        ASSERT_EQ(SearchSimilarRows(request, result), SearchStatus::Ok);
        ASSERT_FALSE(log.fractions.empty());
        EXPECT_LE(log.fractions.size(), 200u);
        EXPECT_TRUE(std::is_sorted(log.fractions.begin(), log.fractions.end()));
        EXPECT_EQ(log.fractions.back(), 1.0);

        log.fractions.clear();
        log.cancelAfterFirst = &cancel;
        result = SearchResult{};
        EXPECT_EQ(SearchSimilarRows(request, result), SearchStatus::Cancelled);
        EXPECT_EQ(result.centre, 0);
        EXPECT_LT(log.fractions.back(), 0.5) << "the threads stop at their next chunk";
        EXPECT_EQ(SearchSimilarRows(request, result), SearchStatus::Cancelled) << "a raised flag stops at once";
    }
}

TEST(EngineContract, EachFailedAllocationGivesOutOfMemoryAndHoldsNothing)
{
    const Table table = RandomTable(300, 2, 50, 5);
    for (SearchMethod method : {SearchMethod::Dense, SearchMethod::Tree, SearchMethod::Described}) {
        const long live = LiveAllocationCount();
        int failures = 0;
        for (long failing = 1;; ++failing) {
            FailNthAllocation(failing);
            const Found found = Search(table, 7, method, 2);
            FailNthAllocation(0);
            EXPECT_EQ(LiveAllocationCount(), live) << SearchMethodName(method) << ", allocation " << failing;
            if (found.status == SearchStatus::Ok)
                break;
            EXPECT_EQ(found.status, SearchStatus::OutOfMemory) << SearchMethodName(method) << ", allocation " << failing;
            ++failures;
        }
        EXPECT_GE(failures, 2) << SearchMethodName(method) << ": the search's storage and the subset's order";
    }
    int64_t subset[3];
    FailNthAllocation(1);
    EXPECT_EQ(OrderSubset(table.view(), 3, 1, subset), SearchStatus::OutOfMemory);
    FailNthAllocation(0);
}
}

namespace {
// Centres whose lower bound equals the best score tie with it, and the later
// of them must win: no bound may drop them. In the first table the last
// centre's two nearest rows lie within the best centre's radius (8) and its
// third exactly one beyond it, so its bound is its score, 13, the best's. In
// the second, duplicate rows have equal scores and bound each other exactly.
TEST(EngineContract, CentresTiedWithTheBestAtTheirBoundAreNotDropped)
{
    Table duplicates{{7, 7}, 16, 1};
    for (int32_t i = 2; i < 16; ++i)
        duplicates.values.push_back(i * 100);
    const struct {
        Table table;
        int64_t size;
        int64_t centre;
    } cases[] = {
        {{{0, 0, 1, 2, 3, 0, 100, 100, 102, 100, 100, 103}, 6, 2}, 3, 4},
        {duplicates, 2, 2},
    };
    for (const auto& c : cases) {
        for (SearchMethod method : {SearchMethod::Dense, SearchMethod::Tree}) {
            const Found found = Search(c.table, c.size, method, 1);
            EXPECT_EQ(found.centre, c.centre) << SearchMethodName(method);
        }
    }
}
}
