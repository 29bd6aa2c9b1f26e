#include <kvs/score.h>

#include "wide_score.h"

namespace kvs {

char* WriteScoreDigits(SearchScore score, char* end)
{
    do {
        *--end = char('0' + int(score % 10));
        score /= 10;
    } while (score != 0);
    return end;
}

std::string to_string(const Score& score)
{
    char digits[kScoreDigits];
    char* const end = digits + kScoreDigits;
    return std::string(WriteScoreDigits(FromScore(score), end), end);
}

double to_double(const Score& score) { return double(FromScore(score)); }

}  // namespace kvs
