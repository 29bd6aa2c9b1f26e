// The similar-subset search on any table of integer vectors.
//
// Every row is tried as a centre; its key to each row is the exact squared
// Euclidean distance, and its score is the sum of its s smallest keys. The
// centre with the smallest score wins (the last of equal scores), and its
// subset is the s rows nearest to it in the order that the decreasing-step
// index sort of the winner's keys leaves them. The engine is a plain function
// over a read-only view: it keeps no globals, shows nothing, and returns its
// errors as a status.
#pragma once

#include <atomic>
#include <cstdint>

enum class SearchStatus {
    Ok,
    BadArgument,  // no rows, more than 2^31 - 1 rows, d < 1, s outside 1 .. n, a centre range outside the rows
    OutOfMemory,  // working storage could not be had; nothing is held on return
    Cancelled,    // the cancel flag was raised; the result is not filled
    Overflow,     // a score could exceed the widest accumulator; never a wrong sum. Within
                  // the limits above every score fits 128 bits, so no search returns it today.
};

enum class SearchMethod {
    Auto,       // chosen by the cost model from n, s, d and the threads
    Dense,      // every key of every centre, the s smallest by selection
    Tree,       // the s nearest rows of every centre from a k-d tree; a table whose
                // keys reach 2^53 is searched densely instead (result.method says so)
    Described,  // one full decreasing-step sort per centre: the reference procedure
};

// An exact score: the widest sum of squared 32-bit differences the engine keeps.
using SearchScore = unsigned __int128;

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

struct SearchRequest {
    VectorTable table;
    int64_t size = 0;                     // s, 1 .. rows
    SearchMethod method = SearchMethod::Auto;
    int threads = 0;                      // 0: every core the work pays for (small searches run on one)
    // The centres to try, 0-based and half open; a search split over
    // processes gives each its own range. centreEnd -1 means every row. An
    // empty range is not an error: the result then has centre 0.
    int64_t centreBegin = 0;
    int64_t centreEnd = -1;
    SearchProgressReport progress = nullptr;
    void* progressContext = nullptr;
    const std::atomic<bool>* cancel = nullptr;  // checked between chunks of centres
    // When set, only the parts of the centres it hands out are tried (the
    // result is the best of those), and progress counts them against every
    // centre of the range; a part outside the positions is a bad argument.
    SearchCentreSource centreSource = nullptr;
    void* centreSourceContext = nullptr;
};

struct SearchResult {
    SearchMethod method = SearchMethod::Auto;  // the method that ran
    int threads = 0;                           // the threads that ran
    int64_t centre = 0;                        // 1-based row of the winner; 0 for none
    SearchScore score = 0;                     // the winner's sum of its s smallest keys
    // Filled with the winner's s rows (0-based) when the caller hands in room
    // for size entries; left alone when it is null.
    int64_t* subset = nullptr;
};

SearchStatus SearchSimilarRows(const SearchRequest& request, SearchResult& result);

// The winner's subset on its own: the s rows nearest to the given centre
// (1-based) in the decreasing-step order of its keys. For a process that
// combines the best centres of several ranges.
SearchStatus OrderSubset(const VectorTable& table, int64_t size, int64_t centre, int64_t* subset);

// A name for messages and output: "auto", "dense", "tree", "described".
const char* SearchMethodName(SearchMethod method);
const char* SearchStatusMessage(SearchStatus status);
