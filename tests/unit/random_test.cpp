#include "geometry/random.h"

#include <gtest/gtest.h>

TEST(Random, SeedOneGivesTheClassicSequenceAndReseedingRepeatsIt)
{
    crt::srand(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169};
    for (int value : expected)
        EXPECT_EQ(crt::rand(), value);
    crt::srand(1);
    EXPECT_EQ(crt::rand(), 41);
    crt::srand(1);
}
