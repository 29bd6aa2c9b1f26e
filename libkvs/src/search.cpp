#include <kvs/search.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "blocked_keys.h"
#include "laid_out_table.h"
#include "row_keys.h"
#include "search_methods.h"
#include "subset_order.h"
#include "table_range.h"
#include "wide_score.h"
#include "workspace.h"

namespace kvs {

namespace {
constexpr int64_t kMaxRows = std::numeric_limits<int32_t>::max();
// The tree's distances are doubles, exact below 2^53.
constexpr SearchScore kLargestTreeKey = (uint64_t(1) << 53) - 1;

bool TableIsValid(const VectorTable& table)
{
    return table.values && table.rows >= 1 && table.rows <= kMaxRows && table.dimension >= 1;
}

// An allocator gives its blocks back to where they came from: both functions or neither.
bool AllocatorIsValid(const Allocator& allocator)
{
    return (allocator.allocate == nullptr) == (allocator.release == nullptr);
}

bool CentreRange(const SearchRequest& request, int64_t& begin, int64_t& end)
{
    begin = request.centreBegin;
    end = request.centreEnd == -1 ? request.table.rows : request.centreEnd;
    return begin >= 0 && begin <= end && end <= request.table.rows;
}

// Below about this much work (coordinate steps, a millisecond or so) a second
// thread costs more than it saves: starting it takes tens of microseconds,
// and on a busy machine waiting for it to run and finish can take longer.
constexpr double kWorkPerThread = 4e6;

// The threads asked for, or with 0 as many as the work pays for, up to every
// core; never more than there are centres.
int ThreadsFor(const SearchRequest& request, SearchMethod method, int64_t centres)
{
    int threads = request.threads;
    if (threads <= 0) {
        const bool local = method == SearchMethod::Tree || method == SearchMethod::Grid;
        const double perCentre = local ? 64.0 * double(request.size) : double(request.table.rows);
        const double work = double(centres) * perCentre * request.table.dimension;
        const int cores = std::max(1, int(std::thread::hardware_concurrency()));
        threads = int(std::min<double>(cores, std::max(1.0, work / kWorkPerThread)));
    }
    threads = std::min(threads, kMaxSearchThreads);
    if (centres < threads)
        threads = centres > 0 ? int(centres) : 1;
    return threads;
}

// The cost model. A dense search costs about n keys and one selection per
// centre whatever s is; a tree query costs about s·log n once the tree has
// narrowed the search to the centre's neighbourhood, which holds in few
// dimensions, or where the rows lie in clusters. So the tree wins when s
// is a small part of n and d is small, or when a few trial queries show that
// the tree reaches the nearest rows while computing few of the distances;
// the trial is run only where the tree's paths split on enough of the
// coordinates for its queries to leave out anything. In two coordinates or
// fewer, where the rows spread evenly enough over a grid's cells, the grid
// takes the tree's place: it reaches the same rows with no walk and no heap,
// and its keys are exact at any width.
// This is the method known before any trial: Auto when the trial decides.
constexpr int32_t kMostGridDimensions = 2;

SearchMethod MethodBeforeTrial(const SearchRequest& request, const ColumnRanges& ranges, SearchScore largestKey)
{
    const int64_t n = request.table.rows;
    const bool treeFits = largestKey <= kLargestTreeKey;
    if (request.method == SearchMethod::Tree)
        return treeFits ? SearchMethod::Tree : SearchMethod::Dense;
    if (request.method != SearchMethod::Auto)
        return request.method;
    const bool smallSubset = request.size * 32 <= n;
    if (!smallSubset || n < 2048)
        return SearchMethod::Dense;
    if (request.table.dimension <= kMostGridDimensions && GridPays(request, ranges))
        return SearchMethod::Grid;
    if (!treeFits)
        return SearchMethod::Dense;
    if (request.table.dimension <= 4)
        return SearchMethod::Tree;
    return TreePathsCoverEnough(request.table) ? SearchMethod::Auto : SearchMethod::Dense;
}

// The dense method's keys a block of centres at a time (blocked_keys.h):
// each row loaded serves many centres, which pays from a few coordinates
// on; a row of one or two is cheaper to read again for each centre. Only
// where doubles hold every value of the computation exactly, and only while
// what it adds to the memory stays moderate: a tile of centres' keys per
// thread (8 · n keys) and the table in doubles (twice its own size).
constexpr uint64_t kMostPackedDoubles = uint64_t(1) << 28;

bool BlockedKeysPay(const SearchRequest& request, const ColumnRanges& ranges)
{
    return request.table.dimension >= kFewestBlockedDimensions && request.table.rows <= kMostBlockedRows &&
           PackedDoubles(request.table) <= kMostPackedDoubles && CentredSquares(ranges) <= kLargestCentredSquares;
}

// The trial on this thread while another thread lays out the table for the
// dense keys the trial may choose (the trial's tree is built and queried on
// one thread, so the layout costs the search nothing but the room); the
// layout is left unmade where the thread cannot be started.
bool TrialWhileLayingOut(const SearchRequest& request, const ColumnRanges& ranges, LaidOutTable* laidOut)
{
    std::thread helper;
    try {
        if (laidOut)
            helper = std::thread([laidOut] { laidOut->Make(1); });
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
    const bool treePays = TreeQueriesStayLocal(request.table, ranges, request.size, request.allocator);
    if (helper.joinable())
        helper.join();
    return treePays;
}

// Chooses the method and its threads, and where the dense keys are made in
// blocks lays out the table for them in laidOut (and in plan.packed): with a
// second thread, during the cost model's trial, on the chance that it
// chooses them; without the room for it then, or without the thread, after.
// Returns Ok, or OutOfMemory when the layout's room cannot be had.
SearchStatus ChooseAndLayOut(const SearchRequest& request, SearchScore largestKey, SearchPlan& plan,
                             SearchMethod& method, std::optional<LaidOutTable>& laidOut)
{
    const int64_t centres = plan.end - plan.begin;
    const bool blockedKeys = centres > 0 && BlockedKeysPay(request, plan.ranges);
    method = MethodBeforeTrial(request, plan.ranges, largestKey);
    if (method == SearchMethod::Auto) {
        if (blockedKeys && SetUpThreads(request, centres) > 1) {
            laidOut.emplace(request.table, plan.ranges, request.allocator);
            if (!laidOut->valid())
                laidOut.reset();
        }
        const bool treePays = TrialWhileLayingOut(request, plan.ranges, laidOut ? &*laidOut : nullptr);
        method = treePays ? SearchMethod::Tree : SearchMethod::Dense;
    }
    plan.threads = ThreadsFor(request, method, centres);
    if (method != SearchMethod::Dense || !blockedKeys) {
        laidOut.reset();
        return SearchStatus::Ok;
    }
    if (!laidOut)
        laidOut.emplace(request.table, plan.ranges, request.allocator);
    if (!laidOut->valid())
        return SearchStatus::OutOfMemory;
    if (!laidOut->made())
        laidOut->Make(plan.threads);
    plan.packed = &laidOut->laidOut();
    return SearchStatus::Ok;
}
}  // namespace

int SetUpThreads(const SearchRequest& request, int64_t centres)
{
    return ThreadsFor(request, SearchMethod::Dense, centres);
}

KeyWidth KeyWidthFor(SearchScore largestKey)
{
    if (largestKey <= std::numeric_limits<uint32_t>::max())
        return KeyWidth::Bits32;
    if (largestKey <= std::numeric_limits<uint64_t>::max())
        return KeyWidth::Bits64;
    return KeyWidth::Bits128;
}

SearchStatus SearchRows(const SearchRequest& request, const NearBest* near, SearchResult& result,
                        const ColumnRanges* knownRanges, std::optional<LaidOutTable>* keptLayout)
{
    SearchPlan plan;
    plan.request = &request;
    plan.near = near;
    if (!TableIsValid(request.table) || request.size < 1 || request.size > request.table.rows ||
        !CentreRange(request, plan.begin, plan.end) || request.threads < 0 || !AllocatorIsValid(request.allocator))
        return SearchStatus::BadArgument;
    std::optional<Workspace> rangeSpace;
    if (knownRanges) {
        plan.ranges = *knownRanges;
    } else {
        rangeSpace.emplace(request.allocator, 1, SliceBytes<int32_t>(ColumnRangeValues(request.table)), Fill::None);
        if (!rangeSpace->valid())
            return SearchStatus::OutOfMemory;
        plan.ranges = FindColumnRanges(request.table, SetUpThreads(request, plan.end - plan.begin),
                                       reinterpret_cast<int32_t*>(rangeSpace->slice(0)));
    }
    const SearchScore largestKey = LargestKey(plan.ranges);
    plan.keyWidth = KeyWidthFor(largestKey);
    std::optional<LaidOutTable> ownLayout;
    std::optional<LaidOutTable>& laidOut = keptLayout ? *keptLayout : ownLayout;
    SearchMethod method = SearchMethod::Auto;
    const SearchStatus prepared = ChooseAndLayOut(request, largestKey, plan, method, laidOut);
    if (prepared != SearchStatus::Ok)
        return prepared;

    BestCentre best;
    int threadsRun = 0;
    SearchStatus status = SearchStatus::Ok;
    if (plan.begin < plan.end) {
        switch (method) {
        case SearchMethod::Tree:
            status = TreeSearch(plan, best, threadsRun);
            break;
        case SearchMethod::Described:
            status = DescribedSearch(plan, best, threadsRun);
            break;
        case SearchMethod::Grid:
            status = GridSearch(plan, best, threadsRun);
            break;
        default:
            status = DenseSearch(plan, best, threadsRun);
            break;
        }
    }
    if (status != SearchStatus::Ok)
        return status;
    if (best.centre >= 0 && result.subset) {
        status = OrderSubsetOfWidth(plan.keyWidth, request.table, request.size, best.centre, result.subset,
                                    request.allocator);
        if (status != SearchStatus::Ok)
            return status;
    }
    result.method = method;
    result.threads = threadsRun;
    result.centre = best.centre;
    result.score = ToScore(best.score);
    return SearchStatus::Ok;
}

SearchStatus SearchSimilarRows(const SearchRequest& request, SearchResult& result)
{
    return SearchRows(request, nullptr, result);
}

SearchStatus OrderSubset(const VectorTable& table, int64_t size, int64_t centre, int64_t* subset,
                         const Allocator& allocator)
{
    if (!TableIsValid(table) || size < 1 || size > table.rows || centre < 0 || centre >= table.rows || !subset ||
        !AllocatorIsValid(allocator))
        return SearchStatus::BadArgument;
    Workspace rangeSpace(allocator, 1, SliceBytes<int32_t>(ColumnRangeValues(table)), Fill::None);
    if (!rangeSpace.valid())
        return SearchStatus::OutOfMemory;
    const ColumnRanges ranges = FindColumnRanges(table, 1, reinterpret_cast<int32_t*>(rangeSpace.slice(0)));
    return OrderSubsetOfWidth(KeyWidthFor(LargestKey(ranges)), table, size, centre, subset, allocator);
}

const char* SearchMethodName(SearchMethod method)
{
    switch (method) {
    case SearchMethod::Auto:
        return "auto";
    case SearchMethod::Dense:
        return "dense";
    case SearchMethod::Tree:
        return "tree";
    case SearchMethod::Described:
        return "described";
    case SearchMethod::Grid:
        return "grid";
    }
    return "unknown";
}

const char* SearchStatusMessage(SearchStatus status)
{
    switch (status) {
    case SearchStatus::Ok:
        return "ok";
    case SearchStatus::BadArgument:
        return "bad argument";
    case SearchStatus::OutOfMemory:
        return "out of memory";
    case SearchStatus::Cancelled:
        return "cancelled";
    case SearchStatus::Overflow:
        return "overflow";
    case SearchStatus::NotFinite:
        return "not a finite number";
    }
    return "unknown status";
}

}  // namespace kvs
