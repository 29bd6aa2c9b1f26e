#include "base/exact_decimal.h"

#include <algorithm>
#include <cctype>

namespace {
using Wide = unsigned __int128;

constexpr int32_t kExponentLimit = 100000;  // far beyond any value that fits 32 bits

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool EqualsIgnoringCase(std::string_view text, std::string_view word)
{
    return text.size() == word.size() && std::equal(text.begin(), text.end(), word.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

std::string_view WithoutSign(std::string_view text, bool& negative)
{
    negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        text.remove_prefix(1);
    return text;
}

// 10^power for power 0 .. 38, the powers a 128-bit value holds.
Wide PowerOfTen(int power)
{
    Wide result = 1;
    while (power-- > 0)
        result *= 10;
    return result;
}

// magnitude * 10^exponent rounded (halves up) or raised to the next integer;
// false when it exceeds limit.
bool IntegerPart(Wide magnitude, int32_t exponent, bool roundHalfUp, Wide limit, Wide& result)
{
    if (magnitude == 0) {
        result = 0;
        return true;
    }
    if (exponent >= 0) {
        for (int32_t i = 0; i < exponent; ++i) {
            if (magnitude > limit)
                return false;
            magnitude *= 10;
        }
        result = magnitude;
        return result <= limit;
    }
    if (exponent < -38) {
        result = roundHalfUp ? 0 : 1;  // magnitude < 10^38, so the value is below 0.1
        return result <= limit;
    }
    const Wide divisor = PowerOfTen(-exponent);
    const Wide quotient = magnitude / divisor, remainder = magnitude % divisor;
    const bool up = roundHalfUp ? remainder >= divisor - remainder : remainder != 0;
    result = quotient + (up ? 1 : 0);
    return result <= limit;
}
} // namespace

NumberSyntax ParseExactDecimal(std::string_view text, ExactDecimal& value)
{
    value = {};
    std::string_view body = WithoutSign(text, value.negative);
    if (EqualsIgnoringCase(body, "nan"))
        return NumberSyntax::NotANumber;
    if (EqualsIgnoringCase(body, "inf") || EqualsIgnoringCase(body, "infinity"))
        return NumberSyntax::Infinite;

    bool decimal = false, sawDigit = false, pastPoint = false, tooPrecise = false;
    int digitsKept = 0;
    int64_t exponent = 0;
    std::size_t i = 0;
    for (; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '.' && !pastPoint) {
            pastPoint = decimal = true;
            continue;
        }
        if (!IsDigit(c))
            break;
        sawDigit = true;
        if (digitsKept == 0 && c == '0') {  // a leading zero carries no precision
            exponent -= pastPoint ? 1 : 0;
            continue;
        }
        if (digitsKept < kMaxSignificantDigits) {
            value.mantissa = value.mantissa * 10 + uint64_t(c - '0');
            ++digitsKept;
            exponent -= pastPoint ? 1 : 0;
        } else {
            tooPrecise = tooPrecise || c != '0';
            exponent += pastPoint ? 0 : 1;
        }
    }
    if (!sawDigit)
        return NumberSyntax::Invalid;
    if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
        decimal = true;
        bool negativeExponent = false;
        std::string_view digits = WithoutSign(body.substr(i + 1), negativeExponent);
        if (digits.empty())
            return NumberSyntax::Invalid;
        int64_t written = 0;
        for (char c : digits) {
            if (!IsDigit(c))
                return NumberSyntax::Invalid;
            written = std::min<int64_t>(written * 10 + (c - '0'), kExponentLimit);
        }
        exponent += negativeExponent ? -written : written;
        i = body.size();
    }
    if (i != body.size())
        return NumberSyntax::Invalid;
    if (tooPrecise)
        return NumberSyntax::TooPrecise;
    value.exponent = int32_t(std::clamp<int64_t>(exponent, -kExponentLimit, kExponentLimit));
    return decimal ? NumberSyntax::Decimal : NumberSyntax::Integer;
}

bool LooksNumeric(std::string_view text)
{
    bool negative = false;
    std::string_view body = WithoutSign(text, negative);
    if (EqualsIgnoringCase(body, "nan") || EqualsIgnoringCase(body, "inf") || EqualsIgnoringCase(body, "infinity"))
        return true;
    if (!body.empty() && body[0] == '.')
        body.remove_prefix(1);
    return !body.empty() && IsDigit(body[0]);
}

bool ScaleToInt32(const ExactDecimal& value, const ExactDecimal& scale, int32_t& result)
{
    const bool negative = value.negative != scale.negative;
    const Wide limit = negative ? Wide(1) << 31 : (Wide(1) << 31) - 1;
    Wide magnitude;
    if (!IntegerPart(Wide(value.mantissa) * scale.mantissa, value.exponent + scale.exponent, true, limit, magnitude))
        return false;
    result = negative ? int32_t(-int64_t(magnitude)) : int32_t(magnitude);
    return true;
}

bool CeilingOfProduct(const ExactDecimal& fraction, int64_t count, int64_t& result)
{
    if (fraction.negative && fraction.mantissa != 0)
        return false;
    Wide magnitude;
    if (count < 0 || !IntegerPart(Wide(fraction.mantissa) * uint64_t(count), fraction.exponent, false,
                                  Wide(INT64_MAX), magnitude))
        return false;
    result = int64_t(magnitude);
    return true;
}
