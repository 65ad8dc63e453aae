// The landscape's geometry without a GL context: the height formula and its agreement with the
// shared height function, the vertex grid, the face and vertex normals and the mesh with its
// texture coordinates.
#include "effects/mathlandscape.h"

#include "effects/landscape_height.h"
#include "geometry/mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

void expectNear(const Vec3& actual, const Vec3& expected, double tolerance)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

bool isFinite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

class MathlandscapeSurface : public ::testing::Test {
protected:
    Mathlandscape land{Mathlandscape::SurfaceOnly{}};
};

} // namespace

// Far from all three ridges only the three -0.5 offsets remain. At the origin the first ridge
// is at its crest, the second lies 0.5 away and the third has no amplitude (sin 0 = 0).
TEST_F(MathlandscapeSurface, HeightIsFlatFarAwayAndKnownAtTheOrigin)
{
    Vec3 out;
    for (float z : {-10.0f, -4.7f, 0.0f, 1.92f, 7.0f}) {
        land.heightAt(-30.0f, z, out);
        expectNear(out, Vec3(-30, -1.5, z), 1e-6);
        land.heightAt(30.0f, z, out);
        EXPECT_FLOAT_EQ(out.y, -1.5f) << z;
    }
    land.heightAt(0, 0, out);
    EXPECT_NEAR(out.y, 0.5 + 0.5 * std::exp(-0.25 / 0.09) - 1.5, 1e-6);
    EXPECT_NEAR(out.y, -0.969, 0.0005);

    // The working fields are left holding the last ridge evaluated: the third one.
    land.heightAt(0.3f, -2.0f, out);
    EXPECT_FLOAT_EQ(land.ridgeCentre, 0.5f - std::sin(0.1f * -2.0f));
    EXPECT_FLOAT_EQ(land.ridgeWidth, 1.0f);
    EXPECT_FLOAT_EQ(land.ridgeHeight, -std::sin(-2.0f));
}

// The camera-path checks use the shared function: it must describe the ground the scene draws.
TEST_F(MathlandscapeSurface, HeightAgreesWithTheSharedHeightFunction)
{
    for (float z = -12.0f; z <= 4.0f; z += 0.037f)
        for (float x = -5.0f; x <= 5.0f; x += 0.043f)
            ASSERT_FLOAT_EQ(land.height(x, z), landscapeHeight(x, z)) << x << ", " << z;
}

TEST_F(MathlandscapeSurface, VerticesSampleTheHeightOnTheGrid)
{
    expectNear(land.vertex(0, 0), Vec3(-4.0, land.height(-4.0f, -10.0f), -10.0), 1e-5);
    expectNear(land.vertex(149, 99), Vec3(3.92, land.height(3.92f, 1.92f), 1.92), 1e-5);
    expectNear(land.vertex(0, 50), Vec3(0, land.height(0, -10.0f), -10.0), 1e-6);
    // Along a row only z changes, along a column only x.
    EXPECT_FLOAT_EQ(land.vertex(37, 12).x, land.vertex(120, 12).x);
    EXPECT_FLOAT_EQ(land.vertex(37, 12).z, land.vertex(37, 80).z);
}

// At x = -4 every ridge is at least four widths away: the ground is flat there, and its normals
// point to -y.
TEST_F(MathlandscapeSurface, NormalsOnFlatGroundPointDown)
{
    const Vec3 down(0, -1, 0);
    for (int r = 1; r < 148; r += 3)
        for (int s = 1; s < 4; ++s) {
            expectNear(land.faceNormalsA[size_t(Mathlandscape::index(r, s))], down, 1e-4);
            expectNear(land.faceNormalsB[size_t(Mathlandscape::index(r, s))], down, 1e-4);
            expectNear(land.vertexNormals[size_t(Mathlandscape::index(r, s))], down, 1e-4);
        }
}

// A height field has no overhangs: every face normal is a unit vector on the -y side, and every
// vertex normal off the first row and column is one too, the far corner included (no cell
// touches it from the four sides that are summed, which leaves no direction to normalise).
TEST_F(MathlandscapeSurface, NormalsAreUnitAndFiniteOnEveryCellAndVertex)
{
    for (int r = 0; r < Mathlandscape::depthCount; ++r)
        for (int s = 0; s < Mathlandscape::acrossCount; ++s) {
            const size_t i = size_t(Mathlandscape::index(r, s));
            const bool cell = r < Mathlandscape::depthCount - 1 && s < Mathlandscape::acrossCount - 1;
            for (const Vec3* n : {&land.faceNormalsA[i], &land.faceNormalsB[i]}) {
                if (cell) {
                    ASSERT_NEAR(n->length(), 1.0, 1e-5) << r << ", " << s;
                    ASSERT_LT(n->y, 0.0f) << r << ", " << s;
                } else {
                    ASSERT_EQ(n->length(), 0.0) << r << ", " << s;
                }
            }
            const Vec3& normal = land.vertexNormals[i];
            ASSERT_TRUE(isFinite(normal)) << r << ", " << s;
            if (r == 0 || s == 0 || (r == 149 && s == 99))
                ASSERT_EQ(normal.length(), 0.0) << r << ", " << s;
            else
                ASSERT_NEAR(normal.length(), 1.0, 1e-5) << r << ", " << s;
        }
}

TEST_F(MathlandscapeSurface, MeshHasTwoTrianglesPerCellWithTextureCoordinatesEndingShortOfOne)
{
    const auto mesh = land.makeMesh();
    ASSERT_EQ(mesh->faceCount(), 29502);
    const auto& faces = mesh->faces();

    // The first cell: (0,0) (1,0) (0,1), then (1,1) (0,1) (1,0).
    const Face& first = *faces[0];
    EXPECT_EQ(first.vertices[0], land.vertex(0, 0));
    EXPECT_EQ(first.vertices[1], land.vertex(1, 0));
    EXPECT_EQ(first.vertices[2], land.vertex(0, 1));
    EXPECT_EQ(faces[1]->vertices[0], land.vertex(1, 1));
    EXPECT_EQ(faces[1]->vertices[1], land.vertex(0, 1));
    EXPECT_EQ(faces[1]->vertices[2], land.vertex(1, 0));
    expectNear(first.texCoords[0], Vec3(0, 0, 0), 0);
    expectNear(first.texCoords[1], Vec3(0, 0.006666667, 0), 1e-7);
    expectNear(first.texCoords[2], Vec3(0.01, 0, 0), 1e-7);
    // s is the inner loop: the third face starts the cell (0, 1).
    EXPECT_EQ(faces[2]->vertices[0], land.vertex(0, 1));

    // The last cell's second triangle starts at the far corner.
    const Face& last = *faces.back();
    EXPECT_EQ(last.vertices[0], land.vertex(149, 99));
    expectNear(last.texCoords[0], Vec3(0.99, 0.9933, 0), 5e-5);

    float highestU = 0, highestV = 0;
    for (const auto& face : faces) {
        for (int k = 0; k < 3; ++k) {
            highestU = std::max(highestU, face->texCoords[k].x);
            highestV = std::max(highestV, face->texCoords[k].y);
        }
        // Counter-clockwise seen from above, so the scene's back-face culling keeps the top.
        const Vec3 turn = (face->vertices[1] - face->vertices[0]).cross(face->vertices[2] - face->vertices[0]);
        ASSERT_GT(turn.y, 0.0f);
    }
    EXPECT_FLOAT_EQ(highestU, 0.99f);
    EXPECT_NEAR(highestV, 0.99333, 1e-5);

    // Each corner carries its vertex's normal.
    const Face& middle = *faces[size_t(2 * (70 * 99 + 40))]; // cell (70, 40), first triangle
    EXPECT_EQ(middle.vertices[0], land.vertex(70, 40));
    EXPECT_EQ(middle.vertexNormals[0], land.vertexNormals[size_t(Mathlandscape::index(70, 40))]);
    EXPECT_EQ(middle.vertexNormals[1], land.vertexNormals[size_t(Mathlandscape::index(71, 40))]);
    EXPECT_EQ(middle.vertexNormals[2], land.vertexNormals[size_t(Mathlandscape::index(70, 41))]);
}
