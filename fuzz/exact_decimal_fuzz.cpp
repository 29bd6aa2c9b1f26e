// The exact decimal reader. The first byte chooses a scale K; the rest is
// a cell. Whatever its text, the cell is read without fault, and a value
// that long double arithmetic rounds without doubt rounds the same exactly:
// round(value * K), halves away from zero, and ceil(value * n).
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/exact_decimal.h"

namespace {
struct Scale {
    ExactDecimal exact;
    long double value;
};

constexpr Scale kScales[] = {
    {{1, 0, false}, 1.0L}, {{100, 0, false}, 100.0L}, {{1, -3, false}, 0.001L}, {{25, -1, false}, 2.5L},
    {{7, 0, true}, -7.0L},
};

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// Whether x lies so far from the nearest boundary of a rounding (whole
// numbers for a ceiling, halves for a rounding) that long double cannot
// land on its other side.
bool ClearOf(long double x, long double boundaryOffset)
{
    const long double shifted = x - boundaryOffset;
    return std::fabs(shifted - std::nearbyint(shifted)) > 1e-9L * std::fmax(1.0L, std::fabs(x));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size < 1 || size > 64)
        return 0;
    const Scale& scale = kScales[data[0] % (sizeof kScales / sizeof kScales[0])];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    ExactDecimal value;
    const NumberSyntax syntax = ParseExactDecimal(text, value);
    const bool number = syntax == NumberSyntax::Integer || syntax == NumberSyntax::Decimal;
    Require(LooksNumeric(text) || syntax == NumberSyntax::Invalid);
    if (!number)
        return 0;
    Require(value.mantissa < 10000000000000000000u);  // at most 19 digits kept

    // The same text read by the C library; only where it reads all of it.
    char* end = nullptr;
    const long double approximate = std::strtold(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(approximate))
        return 0;

    const long double product = approximate * scale.value;
    int32_t rounded = 0;
    const bool fits = ScaleToInt32(value, scale.exact, rounded);
    if (std::fabs(product) < 2147483000.0L && ClearOf(product, 0.5L))
        Require(fits && rounded == std::lround(product));
    if (std::fabs(product) > 2147484000.0L)
        Require(!fits);

    int64_t ceiling = 0;
    const int64_t count = 1 + data[0];
    const long double times = approximate * static_cast<long double>(count);
    if (!value.negative && times < 1e15L && ClearOf(times, 0.0L))
        Require(CeilingOfProduct(value, count, ceiling) && ceiling == static_cast<int64_t>(std::ceil(times)));
    return 0;
}
