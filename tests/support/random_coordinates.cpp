#include "support/random_coordinates.h"

#include <random>

std::vector<int32_t> RandomCoordinates(int64_t count, int32_t spread, uint32_t seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int32_t> coordinate(-spread, spread);
    std::vector<int32_t> values;
    values.reserve(std::size_t(count));
    for (int64_t i = 0; i < count; ++i)
        values.push_back(coordinate(random));
    return values;
}
