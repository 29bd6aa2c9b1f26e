// What callers rely on besides the result: argument checks, centre ranges
// that combine like one search, progress, cancellation and failed allocations.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <new>
#include <tuple>
#include <utility>

#include "engine_test_support.h"
#if !defined(_WIN32)
// The tree's pool, held to a limited address space (POSIX only).
#include <sys/resource.h>

#include "row_tree.h"
#endif

namespace {
TEST(EngineContract, BadArgumentsAreRefused)
{
    const Table table = RandomTable(5, 2, 9, 1);
    int64_t subset[5];
    CountingAllocator counter;
    kvs::Allocator halfAllocator = counter.hook();
    halfAllocator.release = nullptr;
    const struct {
        const char* what;
        kvs::VectorTable view;
        int64_t size;
        int64_t begin;
        int64_t end;
        int threads;
        kvs::Allocator allocator;
    } cases[] = {
        {"no values", {nullptr, 5, 2}, 2, 0, -1, 0, {}},
        {"no rows", {table.values.data(), 0, 2}, 1, 0, -1, 0, {}},
        {"no columns", {table.values.data(), 5, 0}, 2, 0, -1, 0, {}},
        {"size 0", table.view(), 0, 0, -1, 0, {}},
        {"size above n", table.view(), 6, 0, -1, 0, {}},
        {"range before the rows", table.view(), 2, -1, -1, 0, {}},
        {"range past the rows", table.view(), 2, 0, 6, 0, {}},
        {"range backwards", table.view(), 2, 3, 2, 0, {}},
        {"negative threads", table.view(), 2, 0, -1, -1, {}},
        {"an allocator without release", table.view(), 2, 0, -1, 0, halfAllocator},
    };
    for (const auto& c : cases) {
        kvs::SearchRequest request;
        request.table = c.view;
        request.size = c.size;
        request.centreBegin = c.begin;
        request.centreEnd = c.end;
        request.threads = c.threads;
        request.allocator = c.allocator;
        kvs::SearchResult result;
        result.subset = subset;
        EXPECT_EQ(kvs::SearchSimilarRows(request, result), kvs::SearchStatus::BadArgument) << c.what;
        EXPECT_EQ(result.centre, kvs::kNoCentre) << c.what;
    }
    EXPECT_EQ(kvs::OrderSubset(table.view(), 2, -1, subset), kvs::SearchStatus::BadArgument);
    EXPECT_EQ(kvs::OrderSubset(table.view(), 2, 5, subset), kvs::SearchStatus::BadArgument);
    EXPECT_EQ(kvs::OrderSubset(table.view(), 6, 0, subset), kvs::SearchStatus::BadArgument);
    EXPECT_EQ(kvs::OrderSubset(table.view(), 2, 0, nullptr), kvs::SearchStatus::BadArgument);
    EXPECT_EQ(kvs::OrderSubset(table.view(), 2, 0, subset, halfAllocator), kvs::SearchStatus::BadArgument);
    EXPECT_EQ(counter.seen, 0) << "nothing is allocated for a bad argument";
}

// A search split over centre ranges, combined by the smallest score (the
// later centre among equals) and ordered by kvs::OrderSubset, is the whole search.
TEST(EngineContract, CentreRangesCombineIntoTheWholeSearch)
{
    const Table table = RandomTable(200, 3, 2, 7);
    const Found whole = Search(table, 60, kvs::SearchMethod::Auto, 1);
    for (kvs::SearchMethod method : {kvs::SearchMethod::Dense, kvs::SearchMethod::Tree, kvs::SearchMethod::Described, kvs::SearchMethod::Grid}) {
        int64_t centre = kvs::kNoCentre;
        kvs::Score score;
        const int64_t ranges[][2] = {{0, 37}, {37, 37}, {37, 150}, {150, 200}};
        for (const auto& range : ranges) {
            kvs::SearchRequest request;
            request.table = table.view();
            request.size = 60;
            request.method = method;
            request.centreBegin = range[0];
            request.centreEnd = range[1];
            kvs::SearchResult result;
            ASSERT_EQ(kvs::SearchSimilarRows(request, result), kvs::SearchStatus::Ok);
            if (range[0] == range[1]) {
                EXPECT_EQ(result.centre, kvs::kNoCentre) << "an empty range has no centre";
                continue;
            }
            if (centre == kvs::kNoCentre || result.score < score || (result.score == score && result.centre > centre)) {
                centre = result.centre;
                score = result.score;
            }
        }
        std::vector<int64_t> subset(60);
        ASSERT_EQ(kvs::OrderSubset(table.view(), 60, centre, subset.data()), kvs::SearchStatus::Ok);
        EXPECT_EQ(centre, whole.centre) << kvs::SearchMethodName(method);
        EXPECT_EQ(subset, whole.subset) << kvs::SearchMethodName(method);
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
    for (kvs::SearchMethod method :
         {kvs::SearchMethod::Dense, kvs::SearchMethod::Tree, kvs::SearchMethod::Described, kvs::SearchMethod::Grid}) {
        const int64_t size = method == kvs::SearchMethod::Described ? 500 : 30;
        const Found whole = Search(table, size, method, 1);
        const std::vector<std::pair<int64_t, int64_t>> processes[] = {
            {{0, 250}, {250, 250}, {800, 1000}}, {{250, 600}}, {{600, 800}}, {}};
        int64_t centre = kvs::kNoCentre;
        kvs::Score score;
        for (const auto& parts : processes) {
            Parts source{parts};
            kvs::SearchRequest request;
            request.table = table.view();
            request.size = size;
            request.method = method;
            request.threads = 2;
            request.centreSource = &Parts::Next;
            request.centreSourceContext = &source;
            kvs::SearchResult result;
            ASSERT_EQ(kvs::SearchSimilarRows(request, result), kvs::SearchStatus::Ok);
            EXPECT_TRUE(source.left.empty());
            if (result.centre != kvs::kNoCentre &&
                (centre == kvs::kNoCentre || result.score < score ||
                 (result.score == score && result.centre > centre))) {
                centre = result.centre;
                score = result.score;
            }
        }
        EXPECT_EQ(centre, whole.centre) << kvs::SearchMethodName(method);
        EXPECT_EQ(score, whole.score) << kvs::SearchMethodName(method);

        for (const auto& bad : {std::pair<int64_t, int64_t>{-1, 5}, {5, 4}, {999, 1001}}) {
            Parts source{{{0, 10}, bad}};
            kvs::SearchRequest request;
            request.table = table.view();
            request.size = size;
            request.method = method;
            request.centreSource = &Parts::Next;
            request.centreSourceContext = &source;
            kvs::SearchResult result;
            EXPECT_EQ(kvs::SearchSimilarRows(request, result), kvs::SearchStatus::BadArgument)
                << bad.first << ".." << bad.second;
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
    for (kvs::SearchMethod method : {kvs::SearchMethod::Dense, kvs::SearchMethod::Tree, kvs::SearchMethod::Described, kvs::SearchMethod::Grid}) {
        SCOPED_TRACE(kvs::SearchMethodName(method));
        ProgressLog log;
        std::atomic<bool> cancel{false};
        kvs::SearchRequest request;
        request.table = table.view();
        request.size = 40;
        request.method = method;
        request.threads = 2;
        request.progress = RecordProgress;
        request.progressContext = &log;
        request.cancel = &cancel;
        kvs::SearchResult result;
        ASSERT_EQ(kvs::SearchSimilarRows(request, result), kvs::SearchStatus::Ok);
        ASSERT_FALSE(log.fractions.empty());
        EXPECT_LE(log.fractions.size(), 200u);
        EXPECT_TRUE(std::is_sorted(log.fractions.begin(), log.fractions.end()));
        EXPECT_EQ(log.fractions.back(), 1.0);

        log.fractions.clear();
        log.cancelAfterFirst = &cancel;
        result = kvs::SearchResult{};
        EXPECT_EQ(kvs::SearchSimilarRows(request, result), kvs::SearchStatus::Cancelled);
        EXPECT_EQ(result.centre, kvs::kNoCentre);
        EXPECT_LT(log.fractions.back(), 0.5) << "the threads stop at their next chunk";
        EXPECT_EQ(kvs::SearchSimilarRows(request, result), kvs::SearchStatus::Cancelled)
            << "a raised flag stops at once";
    }
}

TEST(EngineContract, EachFailedAllocationGivesOutOfMemoryAndHoldsNothing)
{
    // Two coordinates, and sixteen, where the dense keys are made in blocks
    // from a laid-out copy of the table.
    for (const Table& table : {RandomTable(300, 2, 50, 5), RandomTable(300, 16, 50, 5)}) {
        for (kvs::SearchMethod method :
             {kvs::SearchMethod::Dense, kvs::SearchMethod::Tree, kvs::SearchMethod::Described, kvs::SearchMethod::Grid}) {
            int failures = 0;
            for (long failing = 1;; ++failing) {
                CountingAllocator counter;
                counter.failAt = failing;
                const Found found = Search(table, 7, method, 2, counter.hook());
                EXPECT_EQ(counter.live, 0) << kvs::SearchMethodName(method) << ", allocation " << failing;
                if (found.status == kvs::SearchStatus::Ok)
                    break;
                EXPECT_EQ(found.status, kvs::SearchStatus::OutOfMemory)
                    << kvs::SearchMethodName(method) << ", allocation " << failing;
                ++failures;
            }
            EXPECT_GE(failures, 3) << kvs::SearchMethodName(method) << ", d " << table.dimension
                                   << ": the column ranges, the search's storage and the subset's order";
        }
    }
    const Table table = RandomTable(300, 2, 50, 5);
    int64_t subset[3];
    CountingAllocator counter;
    counter.failAt = 1;
    EXPECT_EQ(kvs::OrderSubset(table.view(), 3, 0, subset, counter.hook()), kvs::SearchStatus::OutOfMemory);
    EXPECT_EQ(counter.live, 0);
}

// The tree takes its nodes from nanoflann's pool, which the system can
// refuse (here its address space is held to 256 MiB more than the test
// uses): the library reports the failure by its status alone and never
// prints.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"  // the pool sets its place at its first block
TEST(EngineContract, TheTreesStorageRunningOutPrintsNothing)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer keeps its own address space and ends the program when it runs out";
#elif defined(_WIN32)
    GTEST_SKIP() << "Windows has no limit on a process's address space to hold the pool to";
#else
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    FILE* captured = std::tmpfile();
    ASSERT_TRUE(saved >= 0 && captured);
    dup2(fileno(captured), STDERR_FILENO);
    rlimit before = {};
    getrlimit(RLIMIT_AS, &before);
    long pages = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    ASSERT_TRUE(statm && std::fscanf(statm, "%ld", &pages) == 1);
    std::fclose(statm);
    rlimit held = before;
    held.rlim_cur = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(256) << 20);
    setrlimit(RLIMIT_AS, &held);
    nanoflann::PooledAllocator pool;
    // The block must be seen to be used, or the compiler may take it away.
    const auto use = [](void* block) { asm volatile("" : : "r"(block) : "memory"); };
    EXPECT_THROW(use(pool.malloc(0xFFFF0000u)), std::bad_alloc);  // the most the pool can ask for
    setrlimit(RLIMIT_AS, &before);
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    EXPECT_EQ(lseek(fileno(captured), 0, SEEK_END), 0) << "the library printed";
    std::fclose(captured);
#endif
}
#pragma GCC diagnostic pop
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
        {{{0, 0, 1, 2, 3, 0, 100, 100, 102, 100, 100, 103}, 6, 2}, 3, 3},
        {duplicates, 2, 1},
    };
    for (const auto& c : cases) {
        for (kvs::SearchMethod method : {kvs::SearchMethod::Dense, kvs::SearchMethod::Tree, kvs::SearchMethod::Grid}) {
            const Found found = Search(c.table, c.size, method, 1);
            EXPECT_EQ(found.centre, c.centre) << kvs::SearchMethodName(method);
        }
    }
}
}
