// The exact search of float tables: integer-valued floats give the integer
// search's answer; ties that only the last bits of the floats break are
// broken by them; and the failure paths of the contract.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <kvs/float_search.h>

#include "engine_test_support.h"

namespace {

struct FloatFound {
    kvs::SearchStatus status = kvs::SearchStatus::BadArgument;
    kvs::FloatSearchResult result;
    std::vector<int64_t> subset;
};

FloatFound SearchFloats(const void* values, kvs::FloatFormat format, int64_t rows, int32_t dimension, int64_t size,
                        kvs::SearchMethod method = kvs::SearchMethod::Auto, int threads = 0,
                        const kvs::Allocator& allocator = {}, const std::atomic<bool>* cancel = nullptr)
{
    FloatFound found;
    found.subset.assign(std::size_t(size > 0 ? size : 0), -1);
    kvs::FloatSearchRequest request;
    request.table = {values, format, rows, dimension};
    request.search.size = size;
    request.search.method = method;
    request.search.threads = threads;
    request.search.allocator = allocator;
    request.search.cancel = cancel;
    found.result.subset = found.subset.data();
    found.status = kvs::SearchSimilarFloatRows(request, found.result);
    return found;
}

// An exact number below 2^128 times 2^exponent as a Score of the given exponent.
kvs::Score ScoreAt(const kvs::ExactNumber& number, int32_t exponent)
{
    unsigned __int128 value = 0;
    for (std::size_t i = number.words.size(); i-- > 0;)
        value = value << 64 | number.words[i];
    value <<= (number.exponent - exponent);
    return {uint64_t(value >> 64), uint64_t(value)};
}

uint16_t HalfBits(int value)  // a small integer's binary16 bits
{
    if (value == 0)
        return 0;
    const int magnitude = std::abs(value);
    const int exponent = int(std::floor(std::log2(magnitude)));
    const uint16_t fraction = uint16_t((magnitude << (10 - exponent)) & 0x3ff);
    return uint16_t((value < 0 ? 0x8000 : 0) | (exponent + 15) << 10 | fraction);
}

TEST(FloatSearch, IntegerValuedFloatsGiveTheIntegerSearchsAnswer)
{
    for (const Table& table : {RandomTable(300, 2, 50, 11), RandomTable(200, 16, 50, 12)}) {
        std::vector<double> doubles(table.values.begin(), table.values.end());
        std::vector<float> floats(table.values.begin(), table.values.end());
        std::vector<uint16_t> halves;
        for (int32_t value : table.values)
            halves.push_back(HalfBits(value));
        for (kvs::SearchMethod method : {kvs::SearchMethod::Dense, kvs::SearchMethod::Tree}) {
            const Found integer = Search(table, 9, method, 2);
            ASSERT_EQ(integer.status, kvs::SearchStatus::Ok);
            for (auto [values, format] : {std::pair<const void*, kvs::FloatFormat>{doubles.data(), kvs::FloatFormat::Float64},
                                          {floats.data(), kvs::FloatFormat::Float32},
                                          {halves.data(), kvs::FloatFormat::Float16}}) {
                const FloatFound found = SearchFloats(values, format, table.rows, table.dimension, 9, method, 2);
                ASSERT_EQ(found.status, kvs::SearchStatus::Ok);
                EXPECT_TRUE(found.result.imageExact);
                EXPECT_EQ(found.result.centre, integer.centre);
                EXPECT_EQ(found.subset, integer.subset);
                EXPECT_EQ(ScoreAt(found.result.score, 0), integer.score);
            }
        }
    }
}

TEST(FloatSearch, TiesOfTheImageAreBrokenByTheLastBits)
{
    const double below = std::nextafter(1.0, 0.0);
    const double above = std::nextafter(1.0, 2.0);
    struct Case {
        const char* name;
        std::vector<double> values;  // one column
        int64_t size;
        int64_t centre;
        std::vector<int64_t> subset;
    };
    const Case cases[] = {
        // centres 0 and 1 tie at (1 - u)², ahead of 2 at (1 + u)²... which the image sees as one tie
        {"another centre", {0.0, below, 2.0}, 2, 1, {1, 0}},
        // the row 1 + u away comes after the row 1 away
        {"another order", {0.0, above, -1.0, 100.0}, 3, 0, {0, 2, 1}},
    };
    for (const Case& c : cases) {
        for (int threads : {1, 3}) {
            const FloatFound found = SearchFloats(c.values.data(), kvs::FloatFormat::Float64,
                                                  int64_t(c.values.size()), 1, c.size, kvs::SearchMethod::Dense,
                                                  threads);
            ASSERT_EQ(found.status, kvs::SearchStatus::Ok) << c.name;
            EXPECT_FALSE(found.result.imageExact) << c.name;
            EXPECT_LT(found.result.scaleExponent, 52) << c.name << ": the image cannot hold the last bit";
            EXPECT_GE(found.result.rescored, 1) << c.name;
            EXPECT_EQ(found.result.centre, c.centre) << c.name;
            EXPECT_EQ(found.subset, c.subset) << c.name;
        }
    }
    // The score of the first: (1 - 2^-53)² + 0 = 1 - 2^-52 + 2^-106, in units of 2^-106.
    const FloatFound found = SearchFloats(cases[0].values.data(), kvs::FloatFormat::Float64, 3, 1, 2);
    const kvs::Score expected{(uint64_t(1) << 42) - 1, 1 - (uint64_t(1) << 54)};  // 2^106 - 2^54 + 1
    EXPECT_EQ(ScoreAt(found.result.score, -106), expected);
}

// The passes over a large table are shared out in pieces of rows: the
// finest value, in the last piece, still sets the unit of the exact keys,
// and the first NaN in row order is named, on one thread or two. Rows
// (i, 0), one far row (2^24, 0) that leaves the image too coarse for the
// last row's n - 2 + ulp, whose distance ulp to row n - 2 decides.
TEST(FloatSearch, TheFinestValueAndTheFirstNaNCountInEveryPieceOfRows)
{
    constexpr int64_t n = 70000;
    const auto check = [&](auto zero, kvs::FloatFormat format, int32_t ulpExponent) {
        using Value = decltype(zero);
        std::vector<Value> values(std::size_t(2 * n), Value(0));
        for (int64_t i = 0; i < n; ++i)
            values[std::size_t(2 * i)] = Value(i);
        values[0] = Value(1 << 24);
        values[std::size_t(2 * (n - 1))] = Value(n - 2) + std::ldexp(Value(1), ulpExponent);
        for (int threads : {1, 2}) {
            SCOPED_TRACE(threads);
            const FloatFound found = SearchFloats(values.data(), format, n, 2, 2, kvs::SearchMethod::Auto, threads);
            ASSERT_EQ(found.status, kvs::SearchStatus::Ok);
            EXPECT_FALSE(found.result.imageExact);
            EXPECT_EQ(found.result.centre, n - 1);
            EXPECT_EQ(found.subset, (std::vector<int64_t>{n - 1, n - 2}));
            EXPECT_EQ(ScoreAt(found.result.score, 2 * ulpExponent), (kvs::Score{0, 1}));
        }
        std::vector<Value> broken = values;
        broken[std::size_t(2 * 69000)] = std::numeric_limits<Value>::quiet_NaN();
        broken[std::size_t(2 * 40000 + 1)] = std::numeric_limits<Value>::quiet_NaN();
        const FloatFound found = SearchFloats(broken.data(), format, n, 2, 2, kvs::SearchMethod::Auto, 2);
        EXPECT_EQ(found.status, kvs::SearchStatus::NotFinite);
        EXPECT_EQ(found.result.badRow, 40000);
        EXPECT_EQ(found.result.badColumn, 1);
    };
    check(0.0f, kvs::FloatFormat::Float32, -7);
    check(0.0, kvs::FloatFormat::Float64, -36);
}

TEST(FloatSearch, NaNAndInfinityNameTheirCell)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double values[] = {1, 2, 3, nan, std::numeric_limits<double>::infinity(), 6};
    FloatFound found = SearchFloats(values, kvs::FloatFormat::Float64, 3, 2, 1);
    EXPECT_EQ(found.status, kvs::SearchStatus::NotFinite);
    EXPECT_EQ(found.result.badRow, 1);
    EXPECT_EQ(found.result.badColumn, 1);
    EXPECT_EQ(found.result.centre, kvs::kNoCentre);
    const uint16_t halves[] = {0x3c00, 0x7c00};  // 1, inf
    found = SearchFloats(halves, kvs::FloatFormat::Float16, 2, 1, 1);
    EXPECT_EQ(found.status, kvs::SearchStatus::NotFinite);
    EXPECT_EQ(found.result.badRow, 1);
    EXPECT_EQ(std::string(kvs::SearchStatusMessage(found.status)), "not a finite number");
}

TEST(FloatSearch, BadArgumentsAreRefused)
{
    const float values[] = {0.5f, 1.5f, 2.5f, 3.5f};
    CountingAllocator counter;
    kvs::Allocator halfAllocator = counter.hook();
    halfAllocator.release = nullptr;
    EXPECT_EQ(SearchFloats(nullptr, kvs::FloatFormat::Float32, 2, 2, 1).status, kvs::SearchStatus::BadArgument);
    EXPECT_EQ(SearchFloats(values, kvs::FloatFormat(7), 2, 2, 1).status, kvs::SearchStatus::BadArgument);
    EXPECT_EQ(SearchFloats(values, kvs::FloatFormat::Float32, 2, 2, 3).status, kvs::SearchStatus::BadArgument);
    EXPECT_EQ(SearchFloats(values, kvs::FloatFormat::Float32, 2, 0, 1).status, kvs::SearchStatus::BadArgument);
    EXPECT_EQ(SearchFloats(values, kvs::FloatFormat::Float32, 2, 2, 1, kvs::SearchMethod::Auto, -1).status,
              kvs::SearchStatus::BadArgument);
    EXPECT_EQ(SearchFloats(values, kvs::FloatFormat::Float32, 2, 2, 1, kvs::SearchMethod::Auto, 0, halfAllocator)
                  .status,
              kvs::SearchStatus::BadArgument);
    EXPECT_EQ(counter.seen, 0);
}

TEST(FloatSearch, FailedAllocationsAndCancellingHoldNothing)
{
    const Table table = RandomTable(300, 16, 50, 13);
    std::vector<float> floats;
    for (int32_t value : table.values)
        floats.push_back(float(value) + 0.1f);  // no image holds them exactly
    int failures = 0;
    for (long failing = 1;; ++failing) {
        CountingAllocator counter;
        counter.failAt = failing;
        const FloatFound found = SearchFloats(floats.data(), kvs::FloatFormat::Float32, table.rows, table.dimension,
                                              7, kvs::SearchMethod::Dense, 2, counter.hook());
        EXPECT_EQ(counter.live, 0) << "allocation " << failing;
        if (found.status == kvs::SearchStatus::Ok) {
            EXPECT_FALSE(found.result.imageExact);
            break;
        }
        EXPECT_EQ(found.status, kvs::SearchStatus::OutOfMemory) << "allocation " << failing;
        EXPECT_EQ(found.result.centre, kvs::kNoCentre);
        ++failures;
    }
    EXPECT_GE(failures, 3) << "the image, the column ranges and the search's storage";
    const std::atomic<bool> cancel{true};
    const FloatFound found = SearchFloats(floats.data(), kvs::FloatFormat::Float32, table.rows, table.dimension, 7,
                                          kvs::SearchMethod::Dense, 2, {}, &cancel);
    EXPECT_EQ(found.status, kvs::SearchStatus::Cancelled);
    EXPECT_EQ(found.result.centre, kvs::kNoCentre);
}

}  // namespace
