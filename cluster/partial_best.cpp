#include "cluster/partial_best.h"

bool BeatsPartialBest(const PartialBest& a, const PartialBest& b)
{
    if (a.centre == 0 || b.centre == 0)
        return b.centre == 0 && a.centre != 0;
    if (a.score != b.score)
        return a.score < b.score;
    return a.centre > b.centre;
}

void FoldPartialBest(PartialBest& best, const PartialBest& part)
{
    if (BeatsPartialBest(part, best))
        best = part;
}
