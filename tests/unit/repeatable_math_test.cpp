// The repeatable sine and exponential: within a unit in the last place of the C library's
// functions across the ranges the landscape uses and beyond, exact where the value is exact, and
// safe at the edges of float's range.
#include "geometry/repeatable_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// Distance in units in the last place between two finite floats of the same sign.
int ulpsApart(float a, float b)
{
    const float larger = std::fmax(std::fabs(a), std::fabs(b));
    const float ulp = std::nextafter(larger, std::numeric_limits<float>::infinity()) - larger;
    return int(std::lround(std::fabs(double(a) - double(b)) / ulp));
}

} // namespace

TEST(RepeatableMath, SineWithinOneUlpOfTheLibraryOverManyTurns)
{
    int worst = 0;
    for (int i = -400000; i <= 400000; ++i) {
        const float x = float(i) * 0.00131f; // about +-524, every quadrant many times
        const float expected = float(std::sin(double(x)));
        if (std::fabs(expected) < 1e-6f) {
            EXPECT_NEAR(repeatableSin(x), expected, 1e-9f) << x;
            continue;
        }
        worst = std::max(worst, ulpsApart(repeatableSin(x), expected));
    }
    EXPECT_LE(worst, 1);
    EXPECT_EQ(repeatableSin(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(repeatableSin(1.5707964f), 1.0f);
    EXPECT_TRUE(std::isnan(repeatableSin(std::numeric_limits<float>::infinity())));
}

TEST(RepeatableMath, ExponentialWithinOneUlpAndSaturatesAtFloatsRange)
{
    int worst = 0;
    for (int i = -100000; i <= 85000; ++i) {
        const float x = float(i) * 0.001f;
        worst = std::max(worst, ulpsApart(repeatableExp(x), float(std::exp(double(x)))));
    }
    EXPECT_LE(worst, 1);
    EXPECT_EQ(repeatableExp(0.0f), 1.0f);
    EXPECT_EQ(repeatableExp(-200.0f), 0.0f);
    EXPECT_EQ(repeatableExp(-std::numeric_limits<float>::infinity()), 0.0f);
    EXPECT_EQ(repeatableExp(100.0f), std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(repeatableExp(std::numeric_limits<float>::quiet_NaN())));
}
