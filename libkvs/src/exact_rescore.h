// A centre of a float table scored exactly: its keys are made exact (as
// integers, wide enough for any table) wherever the image's rounding leaves
// them in doubt, which is enough for its exact score and for its subset in
// the decreasing-step order of its exact keys.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include <kvs/float_search.h>

#include "blocked_keys.h"
#include "float_values.h"

namespace kvs {

class ExactScorer {
public:
    // The table, what a pass over it found, and its image with each row's
    // distance from it (float_values.h), and the image's layout for the
    // blocked keys where its search made one (none: the image's keys are
    // made from its values); all must outlive the scorer. The passes over
    // the image are shared among up to `threads` threads.
    ExactScorer(const FloatTable& table, const FloatFacts& facts, const VectorTable& image, const double* rowErrors,
                const PackedTable* packed, int64_t size, int threads);

    // The words of a score; a score is in units of 2^scoreExponent().
    int words() const { return keyWords; }
    int32_t scoreExponent() const { return 2 * lowExponent; }

    // The most centres FindImageKeys takes at once: up to 8, while their roots
    // take no more than 2^22 doubles (at least one centre).
    int groupCentres() const { return int(std::clamp<int64_t>((int64_t(1) << 22) / image.rows, 1, 8)); }
    // Finds the image's keys of up to groupCentres() centres in one pass
    // over the image (or its layout), for Score. May throw std::bad_alloc.
    void FindImageKeys(const int64_t* centres, int count);
    // The exact score of a centre of the last FindImageKeys into score
    // (words() words). May throw std::bad_alloc.
    void Score(int64_t centre, uint64_t* score);
    // The centre last scored is the best so far: its keys are kept for
    // BestSubset.
    void KeepAsBest() { std::swap(scored, best); }
    // The best centre's s rows, in order. May throw std::bad_alloc.
    void BestSubset(int64_t* subset) const;

private:
    // A centre's window: the rows whose exact key can be among its s
    // smallest, their exact keys (words() words each), and their positions
    // in ascending order of those keys.
    struct Window {
        int64_t centre = 0;
        std::vector<int64_t> rows;
        std::vector<uint64_t> keys;
        std::vector<int32_t> sorted;
        const uint64_t* KeyAt(std::size_t i, int words) const
        {
            return keys.data() + std::size_t(sorted[i]) * std::size_t(words);
        }
    };

    // The exact key of rows a and b into key (words() words, zeroed first).
    void ExactKey(int64_t a, int64_t b, uint64_t* key);
    // The window's exact keys, each row's to the centre.
    void WindowKeys();
    void FindWindow(int64_t centre);
    void SortWindow();

    const FloatTable& table;
    const VectorTable& image;
    const double* rowErrors;
    const PackedTable* packed;
    int64_t size;
    int threads;
    int32_t lowExponent;
    int valueWords;  // of a magnitude in units of 2^lowExponent, and of a difference of two
    int keyWords;
    // Every magnitude is below 2^62 units: a difference fits 64 bits, and
    // the keys are made from the rows' units (one row's in each array).
    bool narrow;
    std::vector<int64_t> centreUnits, rowUnits;

    std::vector<int64_t> group;  // the centres of the last FindImageKeys
    std::vector<double> roots;   // the roots of their image's keys, n a centre
    double rootSlack = 0;        // how far each root may be from its key's, relatively
    std::vector<int64_t> tile;   // the group, a whole number of tiles of the layout's keys
    std::vector<uint64_t> tileKeys;
    std::vector<double> tileValues;
    std::vector<int64_t> tileFound;
    std::vector<double> scratch;
    Window scored, best;
    std::vector<uint64_t> a, b, difference;  // one value's words
};

}  // namespace kvs
