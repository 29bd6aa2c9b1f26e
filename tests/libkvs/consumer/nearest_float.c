/* The search of nearest.c on a table of floats, through the C interface: the
   same six rows a quarter as large, searched exactly. The score is a binary
   fraction, printed as its nearest double and exactly, as its words (most
   significant first) times a power of two. */
#include <kvs/kvs.h>

#include <inttypes.h>
#include <stdio.h>

int main(void)
{
    const float rows[] = {0, 0, 2.25f, 2.25f, 0.25f, 0, 0, 0.25f, 2, 2.25f, 0.25f, 0.25f};
    kvs_request* request = NULL;
    kvs_result* result = NULL;
    kvs_status status = kvs_request_new_floats(rows, KVS_FLOAT32, 6, 2, 3, &request);
    if (status == KVS_OK)
        status = kvs_search(request, &result);
    if (status != KVS_OK) {
        int64_t row = -1;
        int32_t column = -1;
        kvs_request_not_finite_cell(request, &row, &column);
        if (status == KVS_NOT_FINITE)
            fprintf(stderr, "nearest_float: row %" PRId64 ", column %" PRId32 ": %s\n", row, column,
                    kvs_status_message(status));
        else
            fprintf(stderr, "nearest_float: %s\n", kvs_status_message(status));
        kvs_request_free(request);
        return 1;
    }
    uint64_t words[KVS_EXACT_SCORE_WORDS];
    int32_t exponent = 0;
    const size_t count = kvs_result_exact_score(result, words, KVS_EXACT_SCORE_WORDS, &exponent);
    printf("centre %" PRId64 ", score %g = 0x%" PRIx64, kvs_result_centre(result),
           kvs_exact_score_to_double(words, count, exponent), count > 0 ? words[count - 1] : 0);
    for (size_t i = count > 0 ? count - 1 : 0; i-- > 0;)
        printf("%016" PRIx64, words[i]);
    printf(" * 2^%" PRId32 ", subset", exponent);
    for (int64_t i = 0; i < kvs_result_size(result); ++i)
        printf(" %" PRId64, kvs_result_subset(result)[i]);
    printf("\n");
    kvs_result_free(result);
    kvs_request_free(request);
    return 0;
}
