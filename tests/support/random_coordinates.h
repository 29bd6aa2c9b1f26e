// Coordinates for the tables the tests search: count whole numbers drawn
// evenly from -spread .. spread by a seeded generator, so a seed always
// gives the same table.
#pragma once

#include <cstdint>
#include <vector>

std::vector<int32_t> RandomCoordinates(int64_t count, int32_t spread, uint32_t seed);
