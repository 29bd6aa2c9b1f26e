// A centre of a float table scored exactly: its keys are made exact (as
// integers, wide enough for any table) wherever the image's rounding leaves
// them in doubt, which is enough for its exact score and for its subset in
// the decreasing-step order of its exact keys.
#pragma once

#include <cstdint>
#include <vector>

#include <kvs/float_search.h>

#include "float_values.h"
#include "wide_score.h"

namespace kvs {

class ExactScorer {
public:
    // The table, what a pass over it found, and its image with each row's
    // distance from it (float_values.h); all must outlive the scorer.
    // narrowKeys: every key of the image fits 64 bits.
    ExactScorer(const FloatTable& table, const FloatFacts& facts, const VectorTable& image, const double* rowErrors,
                int64_t size, bool narrowKeys);

    // The words of a score; a score is in units of 2^scoreExponent().
    int words() const { return keyWords; }
    int32_t scoreExponent() const { return 2 * lowExponent; }

    // The centre's exact score into score (words() words) and, when subset is
    // given, its s rows in order. May throw std::bad_alloc.
    void Score(int64_t centre, uint64_t* score, int64_t* subset);

private:
    // The exact key of rows a and b into key (words() words, zeroed first).
    void ExactKey(int64_t a, int64_t b, uint64_t* key);
    // The rows whose exact key can be among the centre's s smallest.
    void FindWindow(int64_t centre);
    // The root of the image's key of a row to the centre.
    double ImageRoot(const int32_t* row, const int32_t* centre) const;
    // The window's positions in ascending order of their exact keys.
    void SortWindow();
    void OrderSubset(int64_t* subset);

    const FloatTable& table;
    const VectorTable& image;
    const double* rowErrors;
    int64_t size;
    bool narrowKeys;
    int32_t lowExponent;
    int valueWords;  // of a magnitude in units of 2^lowExponent, and of a difference of two
    int keyWords;
    int64_t centreRow = 0;

    std::vector<double> lowRoots;   // per row: bounds on the square root of its exact key
    std::vector<double> highRoots;
    std::vector<double> scratch;
    std::vector<int64_t> window;    // rows
    std::vector<uint64_t> keys;     // the window's exact keys, words() words each
    std::vector<int32_t> sorted;    // positions in the window
    std::vector<uint64_t> a, b, difference;  // one value's words
};

}  // namespace kvs
