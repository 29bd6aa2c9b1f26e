// The public score: its order, its digits and its nearest double at the
// edges of the halves, in C++ and through the C interface.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include <kvs/kvs.h>

#include "engine_test_support.h"

namespace {
constexpr uint64_t kAll = ~uint64_t(0);
constexpr uint64_t kTop = uint64_t(1) << 63;

TEST(Score, DigitsAndNearestDoubleAtTheEdges)
{
    const struct {
        kvs::Score score;
        const char* digits;
        double nearest;
    } cases[] = {
        {{0, 0}, "0", 0},
        {{0, kAll}, "18446744073709551615", std::ldexp(1.0, 64)},
        {{1, 0}, "18446744073709551616", std::ldexp(1.0, 64)},
        {{1, 2048}, "18446744073709553664", std::ldexp(1.0, 64)},  // halfway: to the even neighbour
        {{1, 2049}, "18446744073709553665", std::ldexp(1.0, 64) + 4096},
        {{kTop - 1, kAll}, "170141183460469231731687303715884105727", std::ldexp(1.0, 127)},
        {{kTop, 0}, "170141183460469231731687303715884105728", std::ldexp(1.0, 127)},
        {{kAll, kAll}, "340282366920938463463374607431768211455", std::ldexp(1.0, 128)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kvs::to_string(c.score), c.digits);
        EXPECT_EQ(kvs::to_double(c.score), c.nearest) << c.digits;
        char text[KVS_SCORE_TEXT_SIZE];
        const std::size_t length = std::string(c.digits).size();
        EXPECT_EQ(kvs_score_to_string(c.score.high, c.score.low, text, sizeof text), length);
        EXPECT_STREQ(text, c.digits);
        EXPECT_EQ(kvs_score_to_double(c.score.high, c.score.low), c.nearest) << c.digits;
        // Too little room: nothing is written, and the length tells what is needed.
        std::string room(KVS_SCORE_TEXT_SIZE, 'x');
        EXPECT_EQ(kvs_score_to_string(c.score.high, c.score.low, room.data(), length), length);
        EXPECT_EQ(room, std::string(KVS_SCORE_TEXT_SIZE, 'x')) << c.digits;
    }
}

TEST(Score, OrderComparesTheHighHalfFirst)
{
    const kvs::Score ascending[] = {{0, 0}, {0, 1}, {0, kAll}, {1, 0}, {1, 1}, {kTop, 0}, {kAll, kAll}};
    for (const kvs::Score& a : ascending) {
        for (const kvs::Score& b : ascending) {
            const bool less = &a < &b;
            const bool same = &a == &b;
            EXPECT_EQ(a < b, less) << kvs::to_string(a) << " < " << kvs::to_string(b);
            EXPECT_EQ(a > b, !less && !same);
            EXPECT_EQ(a <= b, less || same);
            EXPECT_EQ(a >= b, !less);
            EXPECT_EQ(a == b, same);
            EXPECT_EQ(a != b, !same);
        }
    }
}
}  // namespace
