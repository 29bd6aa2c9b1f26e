#include "cluster/partial_best.h"

bool BeatsPartialBest(const PartialBest& a, const PartialBest& b)
{
    if (a.centre == kvs::kNoCentre || b.centre == kvs::kNoCentre)
        return b.centre == kvs::kNoCentre && a.centre != kvs::kNoCentre;
    if (a.score != b.score)
        return a.score < b.score;
    return a.centre > b.centre;
}

void FoldPartialBest(PartialBest& best, const PartialBest& part)
{
    if (BeatsPartialBest(part, best))
        best = part;
}
