// Values read exactly: round(value * K) and ceil(F * n) from the written
// decimals, where binary floating point would land on the wrong side.
#include <gtest/gtest.h>

#include "base/exact_decimal.h"

namespace {
ExactDecimal Decimal(const char* text)
{
    ExactDecimal value;
    const NumberSyntax syntax = ParseExactDecimal(text, value);
    EXPECT_TRUE(syntax == NumberSyntax::Integer || syntax == NumberSyntax::Decimal) << text;
    return value;
}
} // namespace

TEST(ExactDecimal, ScaledValuesRoundHalvesAwayFromZero)
{
    struct Case {
        const char* value;
        const char* scale;
        bool fits;
        int32_t expected;
    } cases[] = {
        {"1.005", "100", true, 101},  // 1.005 * 100 is 100.49999999999999 in doubles
        {"0.5", "1", true, 1},
        {"-0.5", "1", true, -1},
        {"2.499999999999999999", "1", true, 2},
        {"0.1", "3", true, 0},
        {"-0.000", "7", true, 0},
        {".25", "4", true, 1},
        {"1.5e3", "0.001", true, 2},
        {"7E-41", "1", true, 0},
        {"-2147483648", "1", true, INT32_MIN},
        {"-214748364.85", "10", false, 0},
        {"2147483647.4", "1", true, INT32_MAX},
        {"2147483647.5", "1", false, 0},
        {"1e100000000", "1", false, 0},
        {"00012", "1", true, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.value) + " * " + c.scale);
        int32_t result = 0;
        ASSERT_EQ(ScaleToInt32(Decimal(c.value), Decimal(c.scale), result), c.fits);
        if (c.fits) {
            EXPECT_EQ(result, c.expected);
        }
    }
}

TEST(ExactDecimal, SizeFromAFractionIsTheExactCeiling)
{
    struct Case {
        const char* fraction;
        int64_t count;
        int64_t expected;
    } cases[] = {
        {"0.3", 10, 3},  // 0.3 * 10 is 3.0000000000000004 in doubles
        {"0.31", 40, 13},
        {"1", 1000, 1000},
        {"0.502", 1000, 502},
        {"1e-30", 7, 1},
    };
    for (const Case& c : cases) {
        int64_t result = 0;
        ASSERT_TRUE(CeilingOfProduct(Decimal(c.fraction), c.count, result)) << c.fraction;
        EXPECT_EQ(result, c.expected) << c.fraction;
    }
}

TEST(ExactDecimal, SyntaxOfCells)
{
    struct Case {
        const char* text;
        NumberSyntax syntax;
    } cases[] = {
        {"+12", NumberSyntax::Integer},   {"-3.", NumberSyntax::Decimal},        {"nan", NumberSyntax::NotANumber},
        {"-Infinity", NumberSyntax::Infinite}, {"1e", NumberSyntax::Invalid},    {".", NumberSyntax::Invalid},
        {"1.2.3", NumberSyntax::Invalid}, {"1,5", NumberSyntax::Invalid},        {"--1", NumberSyntax::Invalid},
        {"123456789012345678901", NumberSyntax::TooPrecise},
        {"1.000000000000000000000000", NumberSyntax::Decimal},
    };
    for (const Case& c : cases) {
        ExactDecimal value;
        EXPECT_EQ(ParseExactDecimal(c.text, value), c.syntax) << c.text;
    }
}
