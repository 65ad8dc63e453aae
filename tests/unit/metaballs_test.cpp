// The marching-cubes tables and the metaballs' per-frame work without a rendering context: the
// grid, the ball paths and the swell, the field and its iso-surface, the cell cases and the
// normals' regions.
#include "effects/marching_cubes_tables.h"
#include "effects/metaballs.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

using namespace marchingCubes;

namespace {

// Corner c of a unit cell, in the numbering the tables use.
constexpr int cornerAt[8][3] = {
    {0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}, {0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1},
};

bool below(int caseIndex, int corner) { return (caseIndex >> corner) & 1; }

int crossingMask(int caseIndex)
{
    int mask = 0;
    for (int e = 0; e < edgeCount; ++e)
        if (below(caseIndex, edgeCorners[e][0]) != below(caseIndex, edgeCorners[e][1]))
            mask |= 1 << e;
    return mask;
}

// Twice the midpoint of edge e (integers, so comparisons are exact).
std::array<int, 3> edgeMidpoint2(int e)
{
    std::array<int, 3> m{};
    for (int axis = 0; axis < 3; ++axis)
        m[axis] = cornerAt[edgeCorners[e][0]][axis] + cornerAt[edgeCorners[e][1]][axis];
    return m;
}

std::vector<std::array<int, 3>> triangles(int caseIndex)
{
    std::vector<std::array<int, 3>> result;
    for (int n = 0; n < maxRowEntries && triTable[caseIndex][n] != -1; n += 3)
        result.push_back({triTable[caseIndex][n], triTable[caseIndex][n + 1], triTable[caseIndex][n + 2]});
    return result;
}

// Only ball 0 left, at (x, y, 0) with the given strength.
void keepOneBall(Metaballs& balls, float strength, float x = 0.0f, float y = 0.0f)
{
    for (int b = 0; b < balls.ballCount; ++b)
        balls.balls[b] = Metaball{0.0f, 5.0f, 5.0f, 0.0f};
    balls.balls[0] = Metaball{strength, x, y, 0.0f};
}

// Eight free-standing corners with the given values, linked into a cell.
struct LooseCell {
    GridPoint points[8];
    GridCube cube;
    explicit LooseCell(const float values[8])
    {
        for (int c = 0; c < 8; ++c) {
            points[c].position = Vec3(cornerAt[c][0], cornerAt[c][1], cornerAt[c][2]);
            points[c].value = values[c];
            cube.corners[c] = &points[c];
        }
    }
};

bool isZero(const Vec3& v) { return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f; }

} // namespace

TEST(MarchingCubesTables, EdgesJoinNeighbouringCornersInTheUsualNumbering)
{
    std::set<std::pair<int, int>> seen;
    for (int e = 0; e < edgeCount; ++e) {
        const int a = edgeCorners[e][0], b = edgeCorners[e][1];
        int differingAxes = 0;
        for (int axis = 0; axis < 3; ++axis)
            differingAxes += cornerAt[a][axis] != cornerAt[b][axis];
        EXPECT_EQ(differingAxes, 1) << "edge " << e;
        EXPECT_TRUE(seen.insert({std::min(a, b), std::max(a, b)}).second) << "edge " << e;
    }
    // The two rows everybody's tables start with.
    EXPECT_EQ(edgeTable[1], 0x109);
    EXPECT_EQ(triangles(1), (std::vector<std::array<int, 3>>{{0, 8, 3}}));
}

TEST(MarchingCubesTables, EdgeTableIsTheCrossingRuleAndEveryRowUsesExactlyItsEdges)
{
    for (int c = 0; c < caseCount; ++c) {
        EXPECT_EQ(edgeTable[c], crossingMask(c)) << "case " << c;
        int length = 0;
        while (length < maxRowEntries && triTable[c][length] != -1)
            ++length;
        ASSERT_LT(length, maxRowEntries) << "case " << c << " is not ended by -1";
        EXPECT_EQ(length % 3, 0) << "case " << c;
        EXPECT_LE(length / 3, 5) << "case " << c;
        for (int n = length; n < maxRowEntries; ++n)
            EXPECT_EQ(triTable[c][n], -1) << "case " << c << " entry " << n;
        int used = 0;
        for (int n = 0; n < length; ++n) {
            ASSERT_GE(triTable[c][n], 0);
            ASSERT_LT(triTable[c][n], edgeCount);
            used |= 1 << triTable[c][n];
        }
        EXPECT_EQ(used, edgeTable[c]) << "case " << c;
    }
}

// Inside a cell the surface is closed: every side of a triangle that does not lie in a face of
// the cell is shared, in the opposite direction, with exactly one other triangle; and every
// triangle faces the same way, from the corners below the level towards those above it.
TEST(MarchingCubesTables, TrianglesCloseUpInsideTheCellAndFaceOneWay)
{
    for (int c = 0; c < caseCount; ++c) {
        std::map<std::pair<int, int>, int> sides;
        for (const auto& t : triangles(c))
            for (int s = 0; s < 3; ++s)
                ++sides[{t[s], t[(s + 1) % 3]}];
        for (const auto& [side, count] : sides) {
            EXPECT_EQ(count, 1) << "case " << c;
            const auto a = edgeMidpoint2(side.first), b = edgeMidpoint2(side.second);
            bool onCellFace = false;
            for (int axis = 0; axis < 3; ++axis)
                onCellFace |= a[axis] == b[axis] && (a[axis] == 0 || a[axis] == 2);
            if (!onCellFace) {
                EXPECT_EQ(sides.count({side.second, side.first}), 1u) << "case " << c << " is open";
            }
        }
        for (const auto& t : triangles(c)) {
            const auto p = edgeMidpoint2(t[0]), q = edgeMidpoint2(t[1]), r = edgeMidpoint2(t[2]);
            const int u[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
            const int v[3] = {r[0] - p[0], r[1] - p[1], r[2] - p[2]};
            const int n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
            int facing = 0;
            for (int e : t) {
                const int a = edgeCorners[e][0], b = edgeCorners[e][1];
                const int from = below(c, a) ? a : b, to = below(c, a) ? b : a;
                for (int axis = 0; axis < 3; ++axis)
                    facing += n[axis] * (cornerAt[to][axis] - cornerAt[from][axis]);
            }
            EXPECT_GT(facing, 0) << "case " << c;
        }
    }
}

TEST(Metaballs, GridPositionsCornerLinksAndStartingBalls)
{
    auto balls = std::make_unique<Metaballs>();
    EXPECT_EQ(balls->ballCount, 4);
    EXPECT_EQ(balls->envTexture, 0u);
    EXPECT_FALSE(balls->pulsing);
    ASSERT_EQ(balls->points.size(), 27000u);
    ASSERT_EQ(balls->cubes.size(), 24389u);

    const GridPoint& first = balls->points[0];
    EXPECT_FLOAT_EQ(first.position.x, -1.0f);
    EXPECT_FLOAT_EQ(first.position.y, -1.0f);
    EXPECT_FLOAT_EQ(first.position.z, 1.0f);
    const GridPoint& last = balls->points[Metaballs::pointIndex(29, 29, 29)];
    EXPECT_NEAR(last.position.x, 0.93333, 1e-5);
    EXPECT_NEAR(last.position.z, -0.93333, 1e-5);
    EXPECT_EQ(balls->points[Metaballs::pointIndex(3, 7, 15)].position.z, 0.0f); // the balls' plane
    EXPECT_NEAR(balls->points[Metaballs::pointIndex(3, 7, 9)].position.z, 0.4, 1e-6);

    const GridCube& cube = balls->cubes[Metaballs::cubeIndex(4, 5, 6)];
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(cube.corners[c],
                  &balls->points[Metaballs::pointIndex(4 + cornerAt[c][0], 5 + cornerAt[c][1], 6 + cornerAt[c][2])])
            << "corner " << c;
    for (const GridPoint& p : balls->points)
        ASSERT_TRUE(isZero(p.normal) && p.value == 0.0f);

    const float strengths[4] = {0.2f, 0.15f, 0.2f, 0.15f};
    for (int b = 0; b < 4; ++b)
        EXPECT_EQ(balls->balls[b].strength, strengths[b]);

    balls->moveBalls(0);
    const float expected[4][2] = {{0, 0.3f}, {0.3f, 0}, {0.3f, 0.3f}, {0.3f, 0.3f}};
    for (int b = 0; b < 4; ++b) {
        EXPECT_NEAR(balls->balls[b].x, expected[b][0], 1e-6) << "ball " << b;
        EXPECT_NEAR(balls->balls[b].y, expected[b][1], 1e-6) << "ball " << b;
        EXPECT_EQ(balls->balls[b].z, 0.0f);
    }
    balls->moveBalls(50); // theta = 10/3: ball 0's y runs at 1/1.17 of its x's rate
    EXPECT_NEAR(balls->balls[0].x, 0.3 * std::sin(10.0 / 3), 1e-6);
    EXPECT_NEAR(balls->balls[0].y, 0.3 * std::cos(10.0 / 3 / 1.17), 1e-6);
    EXPECT_NEAR(balls->balls[2].x, 0.3 * std::cos(10.0 / 9), 1e-6);
}

TEST(Metaballs, PulseSwellsThePathsForFourFramesAndFallsBack)
{
    auto balls = std::make_unique<Metaballs>();
    // At frame 0 ball 1 stands at x = 0.3 x scale: the scale used for the positions.
    auto nextScale = [&] {
        balls->moveBalls(0);
        return balls->balls[1].x / 0.3;
    };
    EXPECT_NEAR(nextScale(), 1.0, 1e-6); // idle: the decay is lifted back to 1 each frame
    EXPECT_NEAR(nextScale(), 1.0, 1e-6);
    balls->pulse();
    const double sequence[] = {1.0, 1.3, 1.69, 2.197, 2.8, 1.96, 1.372, 1.0, 1.0};
    for (double expected : sequence)
        EXPECT_NEAR(nextScale(), expected, 1e-5);
    EXPECT_FALSE(balls->pulsing);

    balls->pulse();
    nextScale();
    nextScale(); // swelling: 1.69 next
    balls->pulse();
    EXPECT_NEAR(nextScale(), 1.69, 1e-5);
    EXPECT_NEAR(nextScale(), 2.197, 1e-5);
    EXPECT_NEAR(nextScale(), 2.8, 1e-5);
    EXPECT_NEAR(nextScale(), 1.96, 1e-5); // decaying: a pulse grows again from here
    balls->pulse();
    EXPECT_NEAR(nextScale(), 1.372, 1e-5);
    EXPECT_NEAR(nextScale(), 1.372 * 1.3, 1e-5);
}

TEST(Metaballs, SingleBallSurfaceLiesAtSqrtOfAFifthOfItsStrength)
{
    auto balls = std::make_unique<Metaballs>();
    for (float strength : {0.2f, 0.15f}) {
        keepOneBall(*balls, strength);
        balls->computeField();
        // On the grid the field is 0.2 s / d^2, exactly the level at d = sqrt(0.2 s).
        const GridPoint& p = balls->points[Metaballs::pointIndex(17, 14, 13)];
        const double d2 = p.position.dot(p.position);
        EXPECT_NEAR(p.value, 0.2 * strength / d2, 1e-5);
        const double radius = std::sqrt(0.2 * strength);
        const GridPoint& onPlane = balls->points[Metaballs::pointIndex(15, 15, 15)]; // the origin
        keepOneBall(*balls, strength, float(-radius), 0.0f);
        balls->computeField();
        EXPECT_NEAR(onPlane.value, 1.0, 1e-6);
        keepOneBall(*balls, strength);
        balls->computeField();

        balls->computeNormals();
        std::vector<MetaballVertex> vertices;
        balls->polygoniseInto(vertices);
        ASSERT_FALSE(vertices.empty());
        ASSERT_EQ(vertices.size() % 3, 0u);
        for (const MetaballVertex& v : vertices) {
            // Interpolating the value linearly along a cell edge puts the vertex a little
            // outside the true sphere (the field is convex along the edge), by under 6 % at this grid step.
            EXPECT_GE(v.position.length(), radius - 1e-6);
            EXPECT_LE(v.position.length(), radius * 1.06);
            // Only the cells of k = 9..13 are extracted: z from 0.4 down to 1/15.
            EXPECT_GE(v.position.z, 0.0666f);
            EXPECT_LE(v.position.z, 0.4001f);
        }
    }
}

TEST(Metaballs, CellCasesEmptyFullAndExactlyAtTheLevel)
{
    auto balls = std::make_unique<Metaballs>();
    MetaballVertex out[Metaballs::maxVerticesPerCube];
    const float outside[8] = {0.5f, 0.1f, 0.9f, 0.2f, 0.3f, 0.4f, 0.99f, 0.0f};
    const float inside[8] = {1.5f, 3.0f, 1.01f, 2.0f, 9.0f, 1.2f, 1.3f, 1.4f};
    LooseCell empty(outside), full(inside);
    EXPECT_EQ(Metaballs::caseIndex(empty.cube), 255);
    EXPECT_EQ(balls->triangulateCube(empty.cube, out), 0);
    EXPECT_EQ(Metaballs::caseIndex(full.cube), 0);
    EXPECT_EQ(balls->triangulateCube(full.cube, out), 0);

    float values[8] = {1.0f, 2, 2, 2, 2, 2, 2, 2};
    LooseCell atLevel(values);
    EXPECT_EQ(Metaballs::caseIndex(atLevel.cube), 0); // exactly 1.0 is inside
    EXPECT_EQ(balls->triangulateCube(atLevel.cube, out), 0);

    values[0] = 0.0f; // corner 0 alone outside: case 1, the triangle 0, 8, 3 around it
    values[1] = 1.5f;
    values[4] = 3.0f;
    LooseCell corner(values);
    corner.points[0].normal = Vec3(0, 0, 0);
    corner.points[1].normal = Vec3(1, 0, 0);
    EXPECT_EQ(Metaballs::caseIndex(corner.cube), 1);
    ASSERT_EQ(balls->triangulateCube(corner.cube, out), 3);
    EXPECT_NEAR(out[0].position.x, 2.0 / 3, 1e-6); // edge 0: a third of the way back from corner 1
    EXPECT_NEAR(out[0].normal.x, 2.0 / 3, 1e-6);    // interpolated, not renormalised
    EXPECT_NEAR(out[1].position.y, 1.0 / 3, 1e-6);  // edge 8 towards corner 4
    EXPECT_NEAR(out[2].position.z, 0.5, 1e-6);      // edge 3 towards corner 3
}

TEST(Metaballs, FieldAndNormalsOnlyTouchTheirPlanes)
{
    auto balls = std::make_unique<Metaballs>();
    for (int32_t frame = 0; frame < 400; frame += 3) {
        if (frame % 36 == 0)
            balls->pulse();
        balls->moveBalls(frame);
        balls->computeField();
        balls->computeNormals();
    }
    int refreshed = 0;
    for (int i = 0; i < 30; ++i)
        for (int j = 0; j < 30; ++j)
            for (int k = 0; k < 30; ++k) {
                const GridPoint& p = balls->points[Metaballs::pointIndex(i, j, k)];
                const bool inField = k >= 9 && k <= 15;
                const bool inNormals = i >= 1 && i <= 28 && j >= 1 && j <= 28 && k >= 10 && k <= 14;
                if (!inField)
                    ASSERT_EQ(p.value, 0.0f) << i << ' ' << j << ' ' << k;
                else
                    ASSERT_GT(p.value, 0.0f) << i << ' ' << j << ' ' << k;
                if (!inNormals) {
                    ASSERT_TRUE(isZero(p.normal)) << i << ' ' << j << ' ' << k;
                } else if (!isZero(p.normal)) {
                    ++refreshed;
                    ASSERT_NEAR(p.normal.length(), 1.0, 1e-5);
                    ASSERT_LE(p.normal.z, 0.0f); // z leaning towards the viewer is clamped away
                }
            }
    EXPECT_GT(refreshed, 100);
}

TEST(Metaballs, NormalsAtOrBelowTheThresholdAndOnFlatSpotsKeepTheirLastValue)
{
    auto balls = std::make_unique<Metaballs>();
    const int at = Metaballs::pointIndex(16, 15, 13);
    keepOneBall(*balls, 0.2f, 0.0f, 0.0f);
    balls->computeField();
    balls->computeNormals();
    const Vec3 before = balls->points[at].normal;
    ASSERT_GT(balls->points[at].value, 0.7f);
    EXPECT_NEAR(before.length(), 1.0, 1e-5);
    EXPECT_GT(before.x, 0.0f); // away from the ball, which sits at lower x

    keepOneBall(*balls, 0.2f, -0.6f, -0.6f); // far away: the point drops below 0.7
    balls->computeField();
    balls->computeNormals();
    EXPECT_LE(balls->points[at].value, 0.7f);
    EXPECT_EQ(balls->points[at].normal, before);

    // A flat neighbourhood (equal values all round, after the z clamp) has no direction.
    for (GridPoint& p : balls->points)
        p.value = 2.0f;
    balls->computeNormals();
    EXPECT_EQ(balls->points[at].normal, before);
}
