#include <kvs/search.h>

#include <iostream>

int main()
{
    const int32_t rows[] = {0, 0, 9, 9, 1, 0, 0, 1, 8, 9, 1, 1};  // six rows of two values
    int64_t subset[3];
    kvs::SearchRequest request;
    request.table = {rows, 6, 2};
    request.size = 3;
    kvs::SearchResult result;
    result.subset = subset;
    if (kvs::SearchSimilarRows(request, result) != kvs::SearchStatus::Ok)
        return 1;
    std::cout << "centre " << result.centre << ", score " << kvs::to_string(result.score) << ", subset";
    for (int64_t row : subset)
        std::cout << ' ' << row;
    std::cout << '\n';
}
