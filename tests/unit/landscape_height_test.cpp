#include "effects/landscape_height.h"

#include <gtest/gtest.h>

// Far from all three ridges only the three -0.5 offsets remain; at the origin the first ridge
// is at its crest, the second nearly gone and the third has no amplitude (sin 0 = 0).
TEST(LandscapeHeight, FlatFarAwayAndKnownAtTheOrigin)
{
    for (float z : {-10.0f, -4.72f, 0.0f, 1.92f}) {
        EXPECT_FLOAT_EQ(landscapeHeight(-40.0f, z), -1.5f) << z;
        EXPECT_FLOAT_EQ(landscapeHeight(40.0f, z), -1.5f) << z;
    }
    EXPECT_NEAR(landscapeHeight(0.0f, 0.0f), -0.969, 0.0005);
}

// The hollow the balls roll into: the third ridge turned upside down by -sin(z) near
// z = -3 pi / 2, where its centre lies at x = 0.5 - sin(-0.4712).
TEST(LandscapeHeight, DeepestNearTheBallsHollow)
{
    const float deepest = landscapeHeight(0.954f, -4.712f);
    EXPECT_NEAR(deepest, -2.5, 0.001);
    for (float dx : {-0.3f, 0.3f})
        for (float dz : {-0.3f, 0.3f})
            EXPECT_GT(landscapeHeight(0.954f + dx, -4.712f + dz), deepest);
}
