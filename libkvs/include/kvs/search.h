// The similar-subset search on any table of integer vectors.
//
// Every row is tried as a centre; its key to each row is the exact squared
// Euclidean distance, and its score is the sum of its s smallest keys. The
// centre with the smallest score wins (the last of equal scores), and its
// subset is the s rows nearest to it in the order that the decreasing-step
// index sort of the winner's keys leaves them. The engine is a plain function
// over a read-only view: it keeps no globals, shows nothing, and returns its
// errors as a status. Rows are counted from 0 everywhere.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include <kvs/export.h>
#include <kvs/score.h>
#include <kvs/version.h>

namespace kvs {

// The values are those of the C interface's kvs_status (kvs.h).
enum class SearchStatus {
    Ok = 0,
    BadArgument = 1,  // no rows, more than 2^31 - 1 rows, d < 1, s outside 1 .. n, a centre range outside
                      // the rows, negative threads, an allocator with only one of its two functions
    OutOfMemory = 2,  // working storage could not be had; nothing is held on return
    Cancelled = 3,    // the cancel flag was raised; the result is not filled
    Overflow = 4,     // a score could exceed the widest accumulator; never a wrong sum. Within
                      // the limits above every score fits 128 bits, so no search returns it today.
    NotFinite = 5,    // a value of a float table is NaN or infinite (float_search.h)
};

// The values are those of the C interface's kvs_method (kvs.h).
enum class SearchMethod {
    Auto = 0,       // chosen by the cost model from n, s, d and the threads
    Dense = 1,      // every key of every centre, the s smallest by selection
    Tree = 2,       // the s nearest rows of every centre from a k-d tree; a table whose
                    // keys reach 2^53 is searched densely instead (result.method says so)
    Described = 3,  // one full decreasing-step sort per centre: the reference procedure
    Grid = 4,       // the s nearest rows of every centre from the cells of a uniform grid
                    // around it: few coordinates
};

// n rows of d signed 32-bit coordinates, row after row; read only.
struct VectorTable {
    const int32_t* values = nullptr;
    int64_t rows = 0;
    int32_t dimension = 0;
};

// Called from the searching threads with the fraction of centres done, at
// most a few hundred times per search and never concurrently; context is
// handed back as it was given.
using SearchProgressReport = void (*)(void* context, double fractionDone);

// For a search split over processes: hands this process the next part of the
// centres to try, positions [*first, *last) of 0 .. centres - 1 in the order
// the search tries them, and returns true; false once this process has no
// more to try. That order is the same in every process given the same table,
// size and method, so processes that share out the positions try every
// centre once between them, while each prepares its search (the method, the
// k-d tree) once for all its parts. Called from the searching threads, one
// call at a time; it may wait.
using SearchCentreSource = bool (*)(void* context, int64_t* first, int64_t* last);

// Where a search takes its working storage (a few blocks per search). Left
// empty, it is the C heap. allocate returns a block of at least `bytes`
// bytes, aligned as malloc's are, or null to refuse it: the search then
// returns OutOfMemory and holds nothing. Every block handed out goes back to
// release once before the search returns. Either may be called from any of
// the search's threads; context is handed back as it was given. Set both or
// neither. (The k-d tree's nodes and the threads come from the C++ runtime.)
using AllocateFunction = void* (*)(void* context, std::size_t bytes);
using ReleaseFunction = void (*)(void* context, void* block);

struct Allocator {
    AllocateFunction allocate = nullptr;
    ReleaseFunction release = nullptr;
    void* context = nullptr;
};

struct SearchRequest {
    VectorTable table;
    int64_t size = 0;                     // s, 1 .. rows
    SearchMethod method = SearchMethod::Auto;
    // Threads to search with, at most 256 and the centres; 0: every core the
    // work pays for (small searches run on one).
    int threads = 0;
    // The centres to try, half open; a search split over processes gives
    // each its own range. centreEnd -1 means every row. An empty range is not
    // an error: the result then has no centre.
    int64_t centreBegin = 0;
    int64_t centreEnd = -1;
    SearchProgressReport progress = nullptr;
    void* progressContext = nullptr;
    const std::atomic<bool>* cancel = nullptr;  // checked between chunks of centres
    Allocator allocator;
    // When set, only the parts of the centres it hands out are tried (the
    // result is the best of those), and progress counts them against every
    // centre of the range; a part outside the positions is a bad argument.
    SearchCentreSource centreSource = nullptr;
    void* centreSourceContext = nullptr;
};

// The centre of a result that has none.
constexpr int64_t kNoCentre = -1;

struct SearchResult {
    SearchMethod method = SearchMethod::Auto;  // the method that ran
    int threads = 0;                           // the threads that ran
    int64_t centre = kNoCentre;                // the winner's row
    Score score;                               // the winner's sum of its s smallest keys
    // Filled with the winner's s rows when the caller hands in room for size
    // entries; left alone when it is null.
    int64_t* subset = nullptr;
};

KVS_API SearchStatus SearchSimilarRows(const SearchRequest& request, SearchResult& result);

// The winner's subset on its own: the s rows nearest to the given centre in
// the decreasing-step order of its keys. For a process that combines the
// best centres of several ranges.
KVS_API SearchStatus OrderSubset(const VectorTable& table, int64_t size, int64_t centre, int64_t* subset,
                                 const Allocator& allocator = {});

// A name for messages and output: "auto", "dense", "tree", "described", "grid".
KVS_API const char* SearchMethodName(SearchMethod method);
// "ok", "bad argument", "out of memory", "cancelled", "overflow", "not a finite number".
KVS_API const char* SearchStatusMessage(SearchStatus status);

}  // namespace kvs
