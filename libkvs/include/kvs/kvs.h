/* The C interface of libkvs, for programs and languages that bind C (R,
   Julia, Python's ctypes): the same exact search through opaque handles and
   plain types. Rows are counted from 0.

       kvs_request* request = NULL;
       kvs_result* result = NULL;
       kvs_request_new(values, rows, dimension, size, &request);
       kvs_status status = kvs_search(request, &result);
       if (status == KVS_OK)
           use kvs_result_centre(result), kvs_result_subset(result), ...
       else
           report kvs_status_message(status);
       kvs_result_free(result);
       kvs_request_free(request);

   A table of floats (kvs_request_new_floats) is searched the same way and
   exactly for the values as stored; its score is a binary fraction, read
   with kvs_result_exact_score.

   Every function that can fail returns a status; the handles are freed by
   their own _free functions, which take NULL too. Declarations marked
   "Since 1.1" need a library of that version or later (KVS_VERSION_MINOR
   tells the headers'; kvs_version the library's). */
#ifndef KVS_KVS_H
#define KVS_KVS_H

#include <stddef.h>
#include <stdint.h>

#include <kvs/export.h>
#include <kvs/version.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum kvs_status {
    KVS_OK = 0,
    KVS_BAD_ARGUMENT = 1, /* a null handle, a value out of range, a table the search cannot take */
    KVS_OUT_OF_MEMORY = 2, /* nothing is held on return */
    KVS_CANCELLED = 3,
    KVS_OVERFLOW = 4, /* never returned today: every score fits 128 bits */
    KVS_NOT_FINITE = 5 /* Since 1.1: a float table holds NaN or an infinity (kvs_request_not_finite_cell) */
} kvs_status;

/* Since 1.1: the formats of a float table's values (IEEE 754 binary16,
   binary32, binary64). */
typedef enum kvs_float_format {
    KVS_FLOAT16 = 0, /* given as the values' bits, uint16_t each */
    KVS_FLOAT32 = 1, /* float */
    KVS_FLOAT64 = 2 /* double */
} kvs_float_format;

typedef enum kvs_method {
    KVS_METHOD_AUTO = 0, /* chosen by the cost model */
    KVS_METHOD_DENSE = 1,
    KVS_METHOD_TREE = 2,
    KVS_METHOD_DESCRIBED = 3, /* the reference procedure: slow on purpose */
    KVS_METHOD_GRID = 4 /* the cells of a uniform grid around each centre: few coordinates */
} kvs_method;

/* What to search and how; the table is not copied and must stay unchanged
   while a search of it runs. */
typedef struct kvs_request kvs_request;
/* A search's answer; it outlives its request. */
typedef struct kvs_result kvs_result;

/* Called from the searching threads with the fraction of centres done, at
   most a few hundred times per search and never concurrently. */
typedef void (*kvs_progress_function)(void* context, double fraction_done);
/* A block of at least `bytes` bytes, aligned as malloc's are, or NULL to
   refuse it. Called from any of the search's threads. */
typedef void* (*kvs_allocate_function)(void* context, size_t bytes);
typedef void (*kvs_release_function)(void* context, void* block);

/* The decimal digits of any score and a terminating NUL fit this many bytes. */
#define KVS_SCORE_TEXT_SIZE 40
/* Since 1.1: the words of any exact score (kvs_result_exact_score) fit an
   array of this many. */
#define KVS_EXACT_SCORE_WORDS 67

/* "MAJOR.MINOR.PATCH" of the library in use. */
KVS_API const char* kvs_version(void);
/* "ok", "bad argument", "out of memory", "cancelled", "overflow",
   "not a finite number". */
KVS_API const char* kvs_status_message(kvs_status status);
/* "auto", "dense", "tree", "described"; NULL for a value that names none. */
KVS_API const char* kvs_method_name(kvs_method method);

/* A request for the `size` mutually closest of `rows` rows of `dimension`
   signed 32-bit values each, row after row. The table itself is checked by
   kvs_search. */
KVS_API kvs_status kvs_request_new(const int32_t* values, int64_t rows, int32_t dimension, int64_t size,
                                   kvs_request** request);
/* Since 1.1: a request for the `size` mutually closest of `rows` rows of
   `dimension` floats each, of the given format, row after row. The answer is
   the exact one for the values as stored: the real-number squared distances
   of the floats. Every option below applies to it, and kvs_search runs it;
   progress counts the centres of its first, fixed-point pass. */
KVS_API kvs_status kvs_request_new_floats(const void* values, kvs_float_format format, int64_t rows,
                                          int32_t dimension, int64_t size, kvs_request** request);
KVS_API void kvs_request_free(kvs_request* request);

KVS_API kvs_status kvs_request_set_method(kvs_request* request, kvs_method method);
/* 0 (the default): every core the work pays for. */
KVS_API kvs_status kvs_request_set_threads(kvs_request* request, int threads);
/* Only the centres begin .. end - 1 are tried; end -1 is the last row. */
KVS_API kvs_status kvs_request_set_centres(kvs_request* request, int64_t begin, int64_t end);
/* NULL turns progress reports off. */
KVS_API kvs_status kvs_request_set_progress(kvs_request* request, kvs_progress_function progress, void* context);
/* Where the search and its result take their memory (both functions, or
   neither for the C heap). Every block is released before kvs_search returns
   or by kvs_result_free. */
KVS_API kvs_status kvs_request_set_allocator(kvs_request* request, kvs_allocate_function allocate,
                                             kvs_release_function release, void* context);
/* Stops a running search of this request at its next chunk of centres with
   KVS_CANCELLED, and every later one. Safe from any thread, and from the
   progress function. */
KVS_API void kvs_request_cancel(kvs_request* request);

/* Runs the search; on KVS_OK *result holds the answer, otherwise NULL. On
   KVS_NOT_FINITE the request records the cell it found. */
KVS_API kvs_status kvs_search(const kvs_request* request, kvs_result** result);
KVS_API void kvs_result_free(kvs_result* result);
/* Since 1.1: the first NaN or infinite cell in row order of the request's
   float table (row and column from 0), as the last kvs_search that returned
   KVS_NOT_FINITE for it found; -1 and -1 while none has. */
KVS_API void kvs_request_not_finite_cell(const kvs_request* request, int64_t* row, int32_t* column);

/* The winner's row; -1 when the centre range was empty. */
KVS_API int64_t kvs_result_centre(const kvs_result* result);
/* The subset's rows in the engine's order: kvs_result_size of them. */
KVS_API const int64_t* kvs_result_subset(const kvs_result* result);
KVS_API int64_t kvs_result_size(const kvs_result* result);
/* The winner's exact score, high * 2^64 + low, for an integer table. A float
   table's score need not be whole: both halves are 0, and
   kvs_result_exact_score gives it. */
KVS_API void kvs_result_score(const kvs_result* result, uint64_t* high, uint64_t* low);
/* Since 1.1: the winner's exact score of any table, as
   (words[0] + words[1] * 2^64 + ...) * 2^exponent, least significant word
   first, words[0] odd: one way of writing each number. Returns the number of
   words (0 for a score of 0, with exponent 0), and writes them and the
   exponent when they fit capacity words (KVS_EXACT_SCORE_WORDS always
   does). */
KVS_API size_t kvs_result_exact_score(const kvs_result* result, uint64_t* words, size_t capacity,
                                      int32_t* exponent);
/* Since 1.1: a float table was first searched as round(value * 2^e) at this
   e, before the centres that rounding could promote were scored again
   exactly; 0 for an integer table. */
KVS_API int32_t kvs_result_scale_exponent(const kvs_result* result);
KVS_API kvs_method kvs_result_method(const kvs_result* result);
KVS_API int kvs_result_threads(const kvs_result* result);

/* Writes the decimal digits of high * 2^64 + low and a NUL into text when
   they fit capacity bytes (KVS_SCORE_TEXT_SIZE always does); returns the
   number of digits. */
KVS_API size_t kvs_score_to_string(uint64_t high, uint64_t low, char* text, size_t capacity);
/* The nearest double. */
KVS_API double kvs_score_to_double(uint64_t high, uint64_t low);
/* Since 1.1: the nearest double to (words[0] + words[1] * 2^64 + ...) *
   2^exponent, of count words (ties to even; HUGE_VAL above the doubles). */
KVS_API double kvs_exact_score_to_double(const uint64_t* words, size_t count, int32_t exponent);

#ifdef __cplusplus
}
#endif

#endif
