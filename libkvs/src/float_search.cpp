// The search of a float table (float_search.h): the image's search keeps
// every centre whose exact score the image's rounding could put at or below
// the exact best, and those are scored again exactly.
//
// Rounding moves row j by at most its error r_j (in units of the image), so
// the exact distance of two rows is within r_a + r_b <= 2r of their image's
// distance, r the largest error. Over a centre's s nearest rows the roots of
// the scores then differ by at most e = 2r·sqrt(s) (Minkowski's inequality):
// sqrt(exact) is within e of sqrt(image) for every centre. The exact best is
// at most the image winner's exact score, so below (sqrt(T) + e)², T the
// image's best score; a centre whose image score is above
// (sqrt(T) + 2e)² has an exact score above that and cannot win, not even
// a tie. Every other centre is kept and scored exactly.
#include <kvs/float_search.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <optional>

#include "exact_rescore.h"
#include "wide_natural.h"
#include "float_values.h"
#include "search_methods.h"
#include "workspace.h"

namespace kvs {

namespace {

constexpr int64_t kMaxRows = std::numeric_limits<int32_t>::max();

bool IsFormat(FloatFormat format)
{
    return format == FloatFormat::Float16 || format == FloatFormat::Float32 || format == FloatFormat::Float64;
}

bool RequestIsValid(const FloatSearchRequest& request)
{
    const FloatTable& table = request.table;
    const Allocator& allocator = request.search.allocator;
    return table.values && table.rows >= 1 && table.rows <= kMaxRows && table.dimension >= 1 &&
           IsFormat(table.format) && request.search.size >= 1 && request.search.size <= table.rows &&
           (allocator.allocate == nullptr) == (allocator.release == nullptr);
}

// The reach of a best image score: (sqrt(best) + margin)², rounded up with
// room for the roundings of the doubles.
struct ScoreReach {
    double margin = 0;

    static SearchScore Reach(const void* context, SearchScore best)
    {
        const double slack = 1 + std::ldexp(1.0, -48);
        const double margin = static_cast<const ScoreReach*>(context)->margin;
        const double root = std::sqrt(to_double(ToScore(best))) * slack + margin * slack;
        const double reach = root * root * slack + 1;
        if (!(reach < std::ldexp(1.0, 127)))
            return ~SearchScore(0);
        return std::max(best, SearchScore(reach));
    }
};

ExactNumber NumberOf(const uint64_t* words, int count, int32_t exponent)
{
    ExactNumber number;
    while (count > 0 && words[count - 1] == 0)
        --count;
    number.words.assign(words, words + count);
    number.exponent = count > 0 ? exponent : 0;
    return number;
}

// The largest exponent from ImageExponent down at which the image fits 32
// bits and the fast path, with the image's column ranges at it (into
// rangeRoom, 2·d values); the first that fits 32 bits when none fits the
// path within a few steps (the image is then searched more slowly, as
// exactly).
int32_t FittingExponent(const FloatTable& table, const FloatFacts& facts, int32_t* rangeRoom,
                        ColumnRanges& ranges)
{
    int32_t exponent = ImageExponent(table, facts);
    for (int step = 0;; ++step, --exponent) {
        if (!ImageFitsWords(facts, exponent))
            continue;
        ranges = ImageRanges(facts, exponent, rangeRoom);
        if (ImageFits(table, ranges) || step >= 8)
            return exponent;
    }
}

// Scores the kept centres exactly; the winner's into result.
SearchStatus ScoreKept(const FloatSearchRequest& request, const FloatFacts& facts, const VectorTable& image,
                       const double* rowErrors, const PackedTable* packed, int threads,
                       const std::vector<int64_t>& kept, FloatSearchResult& result)
{
    ExactScorer scorer(request.table, facts, image, rowErrors, packed, request.search.size, threads);
    const std::size_t words = std::size_t(scorer.words());
    std::vector<uint64_t> best(words), score(words);
    int64_t winner = kNoCentre;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (request.search.cancel && request.search.cancel->load(std::memory_order_relaxed))
            return SearchStatus::Cancelled;
        const std::size_t group = std::size_t(scorer.groupCentres());
        if (i % group == 0)
            scorer.FindImageKeys(kept.data() + i, int(std::min(group, kept.size() - i)));
        const int64_t centre = kept[i];
        scorer.Score(centre, score.data());
        // The centres are in ascending order: the later of equal scores wins.
        if (winner == kNoCentre || CompareWide(score.data(), best.data(), int(words)) <= 0) {
            best.swap(score);
            winner = centre;
            scorer.KeepAsBest();
        }
    }
    if (result.subset)
        scorer.BestSubset(result.subset);
    result.centre = winner;
    result.score = NumberOf(best.data(), int(words), scorer.scoreExponent());
    result.rescored = int64_t(kept.size());
    return SearchStatus::Ok;
}

}  // namespace

SearchStatus SearchSimilarFloatRows(const FloatSearchRequest& request, FloatSearchResult& result)
{
    int64_t* subset = result.subset;
    result = FloatSearchResult{};
    result.subset = subset;
    if (!RequestIsValid(request))
        return SearchStatus::BadArgument;
    const FloatTable& table = request.table;
    try {
        // The image's search; the threads of the passes before it are those
        // it would take for a table of the image's shape.
        SearchRequest search = request.search;
        search.table = {nullptr, table.rows, table.dimension};
        const int threads = SetUpThreads(search, table.rows);
        const FloatFacts facts = ReadFloatFacts(table, threads);
        if (facts.notFinite >= 0) {
            result.badRow = facts.notFinite / table.dimension;
            result.badColumn = int32_t(facts.notFinite % table.dimension);
            return SearchStatus::NotFinite;
        }
        const uint64_t n = uint64_t(table.rows);
        const uint64_t d = uint64_t(table.dimension);
        Workspace space(request.search.allocator, 1,
                        SliceBytes<int32_t>(n * d) + SliceBytes<double>(n) + SliceBytes<int32_t>(2 * d), Fill::None);
        if (!space.valid())
            return SearchStatus::OutOfMemory;
        unsigned char* cursor = space.slice(0);
        int32_t* imageValues = Carve<int32_t>(cursor, n * d);
        double* rowErrors = Carve<double>(cursor, n);
        int32_t* rangeRoom = Carve<int32_t>(cursor, 2 * d);
        ColumnRanges ranges;
        result.scaleExponent = FittingExponent(table, facts, rangeRoom, ranges);
        MakeImage(table, result.scaleExponent, threads, imageValues, rowErrors);
        search.table.values = imageValues;
        const VectorTable& image = search.table;
        const double largestError = *std::max_element(rowErrors, rowErrors + n);

        SearchResult found;
        if (largestError == 0) {
            // The image is the table itself, scaled: its answer is exact.
            found.subset = result.subset;
            const SearchStatus status = SearchRows(search, nullptr, found, &ranges);
            if (status != SearchStatus::Ok)
                return status;
            const uint64_t words[2] = {found.score.low, found.score.high};
            result.score = NumberOf(words, 2, -2 * result.scaleExponent);
            result.centre = found.centre;
            result.imageExact = true;
        } else {
            const ScoreReach reach{4 * largestError * std::sqrt(double(request.search.size))};
            std::vector<std::vector<BestCentre>> lists(kMaxSearchThreads);
            const NearBest near{ScoreReach::Reach, &reach, lists.data()};
            std::optional<LaidOutTable> layout;  // the image's, for the exact scores
            const SearchStatus status = SearchRows(search, &near, found, &ranges, &layout);
            if (status != SearchStatus::Ok)
                return status;
            if (found.centre != kNoCentre) {
                const SearchScore last = ScoreReach::Reach(&reach, FromScore(found.score));
                std::vector<int64_t> kept;
                for (const auto& list : lists)
                    for (const BestCentre& centre : list)
                        if (centre.score <= last)
                            kept.push_back(centre.centre);
                kept.push_back(found.centre);  // within its own reach, whatever method kept the lists
                std::sort(kept.begin(), kept.end());
                kept.erase(std::unique(kept.begin(), kept.end()), kept.end());
                const PackedTable* packed = layout ? &layout->laidOut() : nullptr;
                const SearchStatus scored = ScoreKept(request, facts, image, rowErrors, packed, threads, kept, result);
                if (scored != SearchStatus::Ok) {
                    result = FloatSearchResult{};
                    result.subset = subset;
                    return scored;
                }
            }
        }
        result.method = found.method;
        result.threads = found.threads;
        return SearchStatus::Ok;
    } catch (const std::bad_alloc&) {
        result = FloatSearchResult{};
        result.subset = subset;
        return SearchStatus::OutOfMemory;
    }
}

}  // namespace kvs
