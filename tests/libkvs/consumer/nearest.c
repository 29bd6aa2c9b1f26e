/* The same search as nearest.cpp through the C interface alone: the three
   mutually closest of six rows, printed the same way. */
#include <kvs/kvs.h>

#include <inttypes.h>
#include <stdio.h>

int main(void)
{
    const int32_t rows[] = {0, 0, 9, 9, 1, 0, 0, 1, 8, 9, 1, 1};
    kvs_request* request = NULL;
    kvs_result* result = NULL;
    kvs_status status = kvs_request_new(rows, 6, 2, 3, &request);
    if (status == KVS_OK)
        status = kvs_search(request, &result);
    if (status != KVS_OK) {
        fprintf(stderr, "nearest: %s\n", kvs_status_message(status));
        kvs_request_free(request);
        return 1;
    }
    uint64_t high = 0, low = 0;
    char score[KVS_SCORE_TEXT_SIZE];
    kvs_result_score(result, &high, &low);
    kvs_score_to_string(high, low, score, sizeof score);
    printf("centre %" PRId64 ", score %s, subset", kvs_result_centre(result), score);
    for (int64_t i = 0; i < kvs_result_size(result); ++i)
        printf(" %" PRId64, kvs_result_subset(result)[i]);
    printf("\n");
    kvs_result_free(result);
    kvs_request_free(request);
    return 0;
}
