// Vec3 arithmetic: results, the double-then-float rounding, and the 3.14-based rotation.
#include "geometry/vec3.h"

#include <cmath>

#include <gtest/gtest.h>

TEST(Vec3, ArithmeticComputesInDoubleAndNarrowsEachComponent) {
    EXPECT_TRUE(Vec3() == Vec3(0, 0, 0));
    EXPECT_EQ(Vec3(0.1, 0, 0).x, 0.1f);
    const Vec3 a(1, 2, 3), b(0.5, -1, 4);
    EXPECT_EQ(a + b, Vec3(1.5, 1, 7));
    EXPECT_EQ(a - b, Vec3(0.5, 3, -1));
    EXPECT_EQ(a / 4.0, Vec3(0.25, 0.5, 0.75));
    EXPECT_EQ(a.mulComponents(b), Vec3(0.5, -2, 12));

    // In-place forms update and return the new value.
    Vec3 c = a;
    EXPECT_EQ(c += b, Vec3(1.5, 1, 7));
    EXPECT_EQ(c -= b, a);
    EXPECT_EQ(c *= 3.0, Vec3(3, 6, 9));
    EXPECT_EQ(c.addToAll(-1), Vec3(2, 5, 8));
    EXPECT_EQ(c, Vec3(2, 5, 8));

    // 2^24 - 1 scaled by 1 + 2^-24 rounds up to 2^24 in double; in float the factor would be 1.
    EXPECT_EQ((Vec3(16777215.0, 0, 0) * (1.0 + 1.0 / (1 << 24))).x, 16777216.0f);

    // The dot product keeps double precision: 0.1f * 0.1f is not a float.
    const Vec3 tenth(0.1, 0, 0);
    EXPECT_EQ(tenth.dot(tenth), double(0.1f) * double(0.1f));
    EXPECT_NE(tenth.dot(tenth), double(0.1f * 0.1f));
}

TEST(Vec3, CrossLengthAndNormalized) {
    EXPECT_EQ(Vec3(1, 0, 0).cross(Vec3(0, 1, 0)), Vec3(0, 0, 1));
    EXPECT_EQ(Vec3(0, 1, 0).cross(Vec3(1, 0, 0)), Vec3(0, 0, -1));
    const Vec3 v(3, 4, 0);
    EXPECT_EQ(v.length(), 5.0);
    EXPECT_EQ(v.normalized(), Vec3(0.6, 0.8, 0));
    EXPECT_EQ(v, Vec3(3, 4, 0));
    EXPECT_TRUE(std::isnan(Vec3().normalized().x));
}

TEST(Vec3, EqualityIsExact) {
    const Vec3 a(1.25, -3.5, 7);
    EXPECT_TRUE(a == Vec3(1.25, -3.5, 7));
    for (int i = 0; i < 3; ++i) {
        Vec3 b = a;
        float* component = &b.x + i;
        *component = std::nextafter(*component, 100.0f);
        EXPECT_FALSE(a == b) << "component " << i;
    }
}

TEST(Vec3, RotatedFallsShortThroughThreePointOneFourWithItsSignConventions) {
    const Vec3 r = Vec3(1, 0, 0).rotated(0, 0, 90);
    EXPECT_NEAR(r.x, 0.000796, 1e-6);
    EXPECT_NEAR(r.y, 0.9999997, 1e-7);
    EXPECT_EQ(r.z, 0.0f);
    EXPECT_GT(Vec3(1, 0, 0).rotated(0, 90, 0).z, 0.0f);
    EXPECT_GT(Vec3(0, 1, 0).rotated(90, 0, 0).z, 0.0f);
    EXPECT_LT(Vec3(0, 0, 1).rotated(90, 0, 0).y, 0.0f);
}

TEST(Vec3, RotatedNarrowsIntermediatesAsStored) {
    // All three axes at once: z1 and x2 pass through float, y1 does not. Each of these inputs
    // changes its last bits if any of those roundings is done differently.
    const double k = double(3.14f) / 180;
    const double a = 33 * k, b = -71 * k, c = 123 * k;
    for (const Vec3& v : {Vec3(0.3, -1.7, 2.9), Vec3(0.67, -1.59, 2.67), Vec3(1.41, -1.37, 2.21)}) {
        const double y1 = double(v.y) * std::cos(a) - double(v.z) * std::sin(a);
        const float z1 = float(double(v.z) * std::cos(a) + double(v.y) * std::sin(a));
        const float x2 = float(double(v.x) * std::cos(b) - double(z1) * std::sin(b));
        const double z2 = double(v.x) * std::sin(b) + double(z1) * std::cos(b);
        const Vec3 expected(x2 * std::cos(c) - y1 * std::sin(c), x2 * std::sin(c) + y1 * std::cos(c), z2);
        EXPECT_EQ(v.rotated(33, -71, 123), expected) << v.x << " " << v.y << " " << v.z;
    }
}

TEST(Vec3, MatrixProductsAreColumnMajor) {
    // Identity with a translation of (5, 6, 7); the 2 and 9 in the fourth row must not divide.
    const float translated[16] = {1, 0, 0, 9, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 2};
    const Vec3 v(1, -2, 3);
    EXPECT_EQ(v.transformByMatrix(translated), Vec3(6, 4, 10));
    EXPECT_EQ(v.rotateByMatrix(translated), v);

    // A quarter turn about Z as glGetFloatv returns it: column 0 is (0, 1, 0).
    const float turnZ[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 1, 1, 1, 1};
    EXPECT_EQ(Vec3(1, 0, 0).rotateByMatrix(turnZ), Vec3(0, 1, 0));
    EXPECT_EQ(Vec3(1, 0, 0).transformByMatrix(turnZ), Vec3(1, 2, 1));
}
