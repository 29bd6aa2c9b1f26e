#include "exact_rescore.h"

#include <algorithm>
#include <cmath>

#include "cpu_dispatch.h"
#include "decreasing_step_order.h"
#include "shared_work.h"
#include "wide_natural.h"

namespace kvs {

namespace {

// Bounds widened by more than the double roundings of a root: the key's
// conversion to a double and its square root each round by at most 2^-53.
const double kRootSlack = std::ldexp(1.0, -50);

// A magnitude m · 2^shift into words (zeroed first); a zero has no shift.
void ShiftedWords(uint64_t mantissa, int32_t shift, uint64_t* words, int count)
{
    std::fill(words, words + count, 0);
    if (mantissa == 0)
        return;
    const int word = shift / 64;
    const int bit = shift % 64;
    words[word] = mantissa << bit;
    if (bit != 0 && word + 1 < count)
        words[word + 1] = mantissa >> (64 - bit);
}

}  // namespace

ExactScorer::ExactScorer(const FloatTable& table, const FloatFacts& facts, const VectorTable& image,
                         const double* rowErrors, const PackedTable* packed, int64_t size, int threads)
    : table(table), image(image), rowErrors(rowErrors), packed(packed), size(size), threads(threads),
      lowExponent(facts.lowExponent),
      // Magnitudes are below 2^(high - low) units, their sums and differences
      // below 2^(high - low + 1): in valueWords words. A key adds d < 2^31
      // squares, a score s < 2^31 keys: 62 bits more than a square's.
      valueWords((facts.highExponent - facts.lowExponent) / 64 + 1), keyWords(2 * valueWords + 1),
      narrow(facts.highExponent - facts.lowExponent <= 62),
      centreUnits(narrow ? std::size_t(table.dimension) : 0), rowUnits(centreUnits.size()),
      a(std::size_t(valueWords)), b(std::size_t(valueWords)), difference(std::size_t(valueWords))
{
}

void ExactScorer::ExactKey(int64_t rowA, int64_t rowB, uint64_t* key)
{
    std::fill(key, key + keyWords, 0);
    const int32_t d = table.dimension;
    std::vector<uint64_t>& x = a;
    std::vector<uint64_t>& y = b;
    std::vector<uint64_t>& gap = difference;
    for (int32_t k = 0; k < d; ++k) {
        const Dyadic u = DyadicOf(FloatValue(table, rowA * d + k));
        const Dyadic v = DyadicOf(FloatValue(table, rowB * d + k));
        if (u.mantissa == 0 && v.mantissa == 0)
            continue;
        ShiftedWords(u.mantissa, u.exponent - lowExponent, x.data(), valueWords);
        ShiftedWords(v.mantissa, v.exponent - lowExponent, y.data(), valueWords);
        const bool sameSign = u.mantissa == 0 || v.mantissa == 0 || u.negative == v.negative;
        if (!sameSign) {
            AddWide(x.data(), valueWords, y.data(), valueWords);
            AddSquareWide(key, keyWords, x.data(), valueWords);
        } else if (CompareWide(x.data(), y.data(), valueWords) >= 0) {
            SubtractWide(x.data(), y.data(), gap.data(), valueWords);
            AddSquareWide(key, keyWords, gap.data(), valueWords);
        } else {
            SubtractWide(y.data(), x.data(), gap.data(), valueWords);
            AddSquareWide(key, keyWords, gap.data(), valueWords);
        }
    }
}

namespace {

// The key of two rows of integers below 2^62 in magnitude into key (three
// words): a difference fits 64 bits, its square 128, and a sum of up to
// 2^31 squares a third word.
void NarrowKey(const int64_t* x, const int64_t* y, int32_t d, uint64_t* key)
{
    SearchScore low = 0;
    uint64_t high = 0;
    for (int32_t k = 0; k < d; ++k) {
        const uint64_t gap = x[k] >= y[k] ? uint64_t(x[k] - y[k]) : uint64_t(y[k] - x[k]);
        const SearchScore square = SearchScore(gap) * gap;
        low += square;
        high += low < square;
    }
    key[0] = uint64_t(low);
    key[1] = uint64_t(low >> 64);
    key[2] = high;
}

// The image's key of a row to the centre, as a double: each square is an
// integer's (exact), rounded once, and summed in lanes that the compiler
// runs on vector registers; the sum of d non-negative terms is within
// (d - 1)·2^-53 of its exact value, relatively, in any order.
constexpr int32_t kLanes = 8;
[[gnu::always_inline]] inline double ImageKey(const int32_t* row, const int32_t* centre, int32_t d)
{
    double lanes[kLanes] = {};
    int32_t k = 0;
    for (; k + kLanes <= d; k += kLanes)
        for (int32_t lane = 0; lane < kLanes; ++lane) {
            const double gap = double(row[k + lane]) - double(centre[k + lane]);
            lanes[lane] += gap * gap;
        }
    for (; k < d; ++k) {
        const double gap = double(row[k]) - double(centre[k]);
        lanes[0] += gap * gap;
    }
    double key = 0;
    for (const double lane : lanes)
        key += lane;
    return key;
}

// The roots of the image's keys of rows [begin, end) to each of count
// centres, centre i's at roots[i·n + row], each row read once for all of
// them; built for AVX2 as well as the baseline (cpu_dispatch.h).
static KVS_AVX2_CLONES void ImageRoots(const VectorTable& image, const int64_t* centres, int count, int64_t begin,
                                       int64_t end, double* roots)
{
    const int32_t d = image.dimension;
    for (int64_t row = begin; row < end; ++row)
        for (int i = 0; i < count; ++i)
            roots[i * image.rows + row] = std::sqrt(ImageKey(image.values + row * d, image.values + centres[i] * d, d));
}

}  // namespace

void ExactScorer::FindImageKeys(const int64_t* centres, int count)
{
    const int64_t n = image.rows;
    group.assign(centres, centres + count);
    roots.resize(std::size_t(count) * std::size_t(n));
    if (packed) {
        // The layout's keys are the image's, exactly (below 2^63): a root
        // rounds twice, once for the key as a double and once for the root.
        tile.assign(std::size_t((count + kTileCentres - 1) / kTileCentres * kTileCentres), centres[0]);
        std::copy(centres, centres + count, tile.begin());
        const std::size_t tiled = tile.size();
        tileKeys.resize(tiled * std::size_t(n));
        tileValues.resize(tiled * std::size_t(image.dimension));
        tileFound.resize(tiled);
        BlockKeys(*packed, tile.data(), int(tiled), UINT64_MAX, n, tileValues.data(), tileKeys.data(),
                  tileFound.data());
        for (std::size_t i = 0; i < std::size_t(count) * std::size_t(n); ++i)
            roots[i] = std::sqrt(double(tileKeys[i]));
        rootSlack = kRootSlack;
        return;
    }
    // The image's keys in doubles are within (d + 1)·2^-53 of themselves,
    // relatively, and so their roots within half that and one more rounding.
    rootSlack = kRootSlack + double(image.dimension + 2) * std::ldexp(1.0, -53);
    constexpr int64_t kRowsPerPiece = 1024;
    ShareItems((n + kRowsPerPiece - 1) / kRowsPerPiece, threads, [&](int64_t piece) {
        ImageRoots(image, group.data(), count, piece * kRowsPerPiece, std::min(n, (piece + 1) * kRowsPerPiece),
                   roots.data());
    });
}

void ExactScorer::FindWindow(int64_t centre)
{
    // A row's exact distance (the root of its key) is within the sum of the
    // two rows' distances from their images of its image's distance. At
    // least s rows are within the s-th smallest upper bound; a row whose
    // lower bound exceeds it cannot be among the s nearest.
    const int64_t n = image.rows;
    const std::size_t member = std::size_t(std::find(group.begin(), group.end(), centre) - group.begin());
    const double* root = roots.data() + member * std::size_t(n);
    auto error = [&](int64_t row) { return (rowErrors[centre] + rowErrors[row]) * (1 + kRootSlack); };
    scratch.resize(std::size_t(n));
    for (int64_t row = 0; row < n; ++row)
        scratch[std::size_t(row)] = root[row] * (1 + rootSlack) + error(row);
    std::nth_element(scratch.begin(), scratch.begin() + (size - 1), scratch.end());
    const double reach = scratch[std::size_t(size - 1)];
    scored.centre = centre;
    scored.rows.clear();
    for (int64_t row = 0; row < n; ++row)
        if (root[row] * (1 - rootSlack) - error(row) <= reach)
            scored.rows.push_back(row);
}

void ExactScorer::WindowKeys()
{
    const std::size_t count = scored.rows.size();
    scored.keys.resize(count * std::size_t(keyWords));
    if (!narrow) {
        for (std::size_t i = 0; i < count; ++i)
            ExactKey(scored.rows[i], scored.centre, scored.keys.data() + i * std::size_t(keyWords));
        return;
    }
    RowUnits(table, scored.centre, lowExponent, centreUnits.data());
    for (std::size_t i = 0; i < count; ++i) {
        RowUnits(table, scored.rows[i], lowExponent, rowUnits.data());
        NarrowKey(rowUnits.data(), centreUnits.data(), table.dimension, scored.keys.data() + i * std::size_t(keyWords));
    }
}

void ExactScorer::SortWindow()
{
    WindowKeys();
    const std::size_t count = scored.rows.size();
    scored.sorted.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        scored.sorted[i] = int32_t(i);
    std::sort(scored.sorted.begin(), scored.sorted.end(), [this](int32_t x, int32_t y) {
        return CompareWide(scored.keys.data() + std::size_t(x) * std::size_t(keyWords),
                           scored.keys.data() + std::size_t(y) * std::size_t(keyWords), keyWords) < 0;
    });
}

void ExactScorer::Score(int64_t centre, uint64_t* score)
{
    FindWindow(centre);
    SortWindow();
    std::fill(score, score + keyWords, 0);
    for (std::size_t i = 0; i < std::size_t(size); ++i)
        AddWide(score, keyWords, scored.KeyAt(i, keyWords), keyWords);
}

void ExactScorer::BestSubset(int64_t* subset) const
{
    // The decreasing-step sort places each entry by comparisons alone, and
    // each of its passes is a stable insertion sort of every chain. So rows
    // whose keys are all above those of a set of rows do not change where
    // that set's rows go or in what order, whatever their own keys: the rows
    // up to the s-th smallest key (all in the window) get their ranks, and
    // every other row one rank above them.
    auto keyAt = [this](std::size_t i) { return best.KeyAt(i, keyWords); };
    const int64_t n = image.rows;
    std::vector<int64_t> ranks(static_cast<std::size_t>(n));
    std::vector<int32_t> index(static_cast<std::size_t>(n));
    const uint64_t* last = keyAt(std::size_t(size - 1));
    int64_t rank = 0;
    std::size_t i = 0;
    for (; i < best.sorted.size() && CompareWide(keyAt(i), last, keyWords) <= 0; ++i) {
        if (i > 0 && CompareWide(keyAt(i), keyAt(i - 1), keyWords) != 0)
            ++rank;
        ranks[std::size_t(best.rows[std::size_t(best.sorted[i])])] = rank;
    }
    std::vector<bool> ranked(std::size_t(n), false);
    for (std::size_t j = 0; j < i; ++j)
        ranked[std::size_t(best.rows[std::size_t(best.sorted[j])])] = true;
    for (int64_t row = 0; row < n; ++row)
        if (!ranked[std::size_t(row)])
            ranks[std::size_t(row)] = rank + 1;
    DecreaseStepSort(int32_t(n), ranks.data(), index.data());
    for (int64_t j = 0; j < size; ++j)
        subset[j] = index[std::size_t(j)];
}

}  // namespace kvs
