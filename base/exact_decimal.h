// Decimal numbers read exactly, without floating point or the locale, so that
// round(value * K) is the true rounding of the written value times K.
#pragma once

#include <cstdint>
#include <string_view>

// value = (negative ? -1 : 1) * mantissa * 10^exponent, from at most
// kMaxSignificantDigits significant digits.
struct ExactDecimal {
    uint64_t mantissa = 0;
    int32_t exponent = 0;
    bool negative = false;
};

constexpr int kMaxSignificantDigits = 19;

enum class NumberSyntax {
    Integer,      // digits with an optional sign
    Decimal,      // a point or an exponent: 1.5, -.25, 3e4
    NotANumber,   // nan, with an optional sign
    Infinite,     // inf or infinity, with an optional sign
    TooPrecise,   // more significant digits than kept (nonzero ones beyond kMaxSignificantDigits)
    Invalid,      // anything else
};

// Reads the whole of text (no blanks around it). Fills value for Integer and Decimal.
NumberSyntax ParseExactDecimal(std::string_view text, ExactDecimal& value);

// Whether text begins as a number would: a sign, a digit, a point and a
// digit, or nan/inf. Used to tell a header line from a data line.
bool LooksNumeric(std::string_view text);

// round(value * scale), halves away from zero, when it lies in the signed
// 32-bit range; false otherwise.
bool ScaleToInt32(const ExactDecimal& value, const ExactDecimal& scale, int32_t& result);

// ceil(fraction * count) when it fits 64 bits and fraction >= 0; false otherwise.
bool CeilingOfProduct(const ExactDecimal& fraction, int64_t count, int64_t& result);
