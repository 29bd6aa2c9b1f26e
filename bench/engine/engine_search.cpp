// A bare driver of the engine for the benchmark script: searches a table of
// integers (one row per line, separated by blanks, commas or semicolons) and
// prints one JSON object with the result and the search's own time (the
// centre counted from 1, as kvs search and the peers report it).
//
//   engine_search FILE SIZE [METHOD [THREADS]]
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <kvs/search.h>

namespace {
bool ReadTable(const char* path, std::vector<int32_t>& values, int64_t& rows, int32_t& dimension)
{
    std::ifstream file(path);
    std::string line;
    rows = 0;
    dimension = 0;
    while (std::getline(file, line)) {
        int32_t columns = 0;
        const char* cursor = line.c_str();
        while (*cursor) {
            char* end = nullptr;
            const long value = std::strtol(cursor, &end, 10);
            if (end == cursor) {
                ++cursor;
                continue;
            }
            values.push_back(int32_t(value));
            ++columns;
            cursor = end;
        }
        if (columns == 0)
            continue;
        if (dimension != 0 && columns != dimension)
            return false;
        dimension = columns;
        ++rows;
    }
    return rows > 0;
}

kvs::SearchMethod MethodNamed(const char* name)
{
    for (kvs::SearchMethod method :
         {kvs::SearchMethod::Auto, kvs::SearchMethod::Dense, kvs::SearchMethod::Tree, kvs::SearchMethod::Described,
          kvs::SearchMethod::Grid}) {
        if (std::strcmp(name, kvs::SearchMethodName(method)) == 0)
            return method;
    }
    return kvs::SearchMethod::Auto;
}
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: engine_search FILE SIZE [METHOD [THREADS]]\n");
        return 2;
    }
    kvs::SearchRequest request;
    std::vector<int32_t> values;
    if (!ReadTable(argv[1], values, request.table.rows, request.table.dimension)) {
        std::fprintf(stderr, "engine_search: %s: not a table of integers\n", argv[1]);
        return 2;
    }
    request.table.values = values.data();
    request.size = std::atoll(argv[2]);
    request.method = argc > 3 ? MethodNamed(argv[3]) : kvs::SearchMethod::Auto;
    request.threads = argc > 4 ? std::atoi(argv[4]) : 0;
    std::vector<int64_t> subset(size_t(request.size > 0 ? request.size : 0));
    kvs::SearchResult result;
    result.subset = subset.data();
    const auto start = std::chrono::steady_clock::now();
    const kvs::SearchStatus status = kvs::SearchSimilarRows(request, result);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (status != kvs::SearchStatus::Ok) {
        std::fprintf(stderr, "engine_search: %s\n", kvs::SearchStatusMessage(status));
        return 1;
    }
    std::printf("{\"n\": %lld, \"d\": %d, \"size\": %lld, \"centre\": %lld, \"score\": %.17g, \"method\": \"%s\", "
                "\"threads\": %d, \"search_seconds\": %.6f}\n",
                (long long)request.table.rows, request.table.dimension, (long long)request.size,
                (long long)result.centre + 1, kvs::to_double(result.score), kvs::SearchMethodName(result.method),
                result.threads, seconds);
    return 0;
}
