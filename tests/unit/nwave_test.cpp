// NWave without a GL context: the sheet as constructed, the springs and the decay of a struck
// mass, strikes at and near the border, the scene's integration and normals, and the wave
// formula with its fade.
#include "effects/nwave.h"

#include "app/log.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr float gridStep = 0.032786883f; // 2 / 61 as the sheet holds it

// A grid with the base class's rest state and no behaviour of its own.
class PlainGrid : public SpringGrid {
public:
    PlainGrid(int columns, int rows) : SpringGrid(columns, rows) {}
    void computeForces() override {}
    void draw() override {}
};

bool sameBytes(const SpringVertex& a, const SpringVertex& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::vector<SpringVertex> snapshot(const NWave& wave)
{
    return std::vector<SpringVertex>(wave.vertices.get(), wave.vertices.get() + wave.vertexCount);
}

void expectNear(const Vec3& actual, const Vec3& expected, double tolerance, const char* what)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance) << what;
    EXPECT_NEAR(actual.y, expected.y, tolerance) << what;
    EXPECT_NEAR(actual.z, expected.z, tolerance) << what;
}

} // namespace

TEST(NWaveTest, ConstructionLogsItsSizeAndSetsEveryDefault)
{
    Log log(true);
    Log* previous = logger;
    logger = &log;
    NWave wave(61, 61);
    logger = previous;
    const std::string banner = "\r\n ** NWave Objects, size: 61 61 **";
    ASSERT_GE(log.text().size(), banner.size());
    EXPECT_EQ(log.text().substr(log.text().size() - banner.size()), banner);

    EXPECT_EQ(wave.vertexCount, 3721);
    EXPECT_EQ(wave.columns, 61);
    EXPECT_EQ(wave.rows, 61);
    EXPECT_EQ(wave.damping, Vec3(0.99949998f, 0.99949998f, 0.99949998f));
    EXPECT_EQ(wave.timeStep, 0.1f);
    EXPECT_EQ(wave.restLength, -0.1f);
    EXPECT_EQ(wave.stiffness, Vec3(1, 1, 1));
    EXPECT_EQ(wave.texture, 0u);
    EXPECT_EQ(wave.environmentTexture, 0u);
    EXPECT_EQ(wave.explodeAmount, 0.0f);
    EXPECT_FALSE(wave.exploding);
    EXPECT_FALSE(wave.fading);
    EXPECT_EQ(wave.faceNormalsA.size(), 3600u);
    EXPECT_EQ(wave.faceNormalsB.size(), 3600u);
    const float ambient[4] = {0.4f, 0.4f, 0.4f, 1.0f}, diffuse[4] = {0.6f, 0.6f, 0.6f, 0.6f};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(wave.ambient[k], ambient[k]);
        EXPECT_EQ(wave.diffuse[k], diffuse[k]);
        EXPECT_EQ(wave.specular[k], 1.0f);
    }
    EXPECT_EQ(wave.shininess, 30.0f);

    // Flat, row-major, from -1 to 60 steps of 2/61 on, every vertex at rest.
    for (int row = 0; row < 61; ++row) {
        for (int column = 0; column < 61; ++column) {
            const SpringVertex& v = wave.vertices[size_t(column + row * 61)];
            ASSERT_EQ(&v, &wave.vertex(column, row));
            ASSERT_EQ(v.position, Vec3(column * double(gridStep) - 1, row * double(gridStep) - 1, 0));
            ASSERT_EQ(v.mass, 1.0f);
            ASSERT_EQ(v.force, Vec3());
            ASSERT_EQ(v.velocity, Vec3());
            ASSERT_EQ(v.normal, Vec3());
        }
    }
    EXPECT_EQ(wave.vertex(0, 0).position, Vec3(-1, -1, 0));
    EXPECT_NEAR(wave.vertex(60, 60).position.x, 0.967213, 1e-6);

    // The base alone keeps its own damping.
    PlainGrid grid(3, 2);
    EXPECT_EQ(grid.vertexCount, 6);
    EXPECT_EQ(grid.damping, Vec3(0.99f, 0.99f, 0.99f));
    EXPECT_EQ(grid.timeStep, 0.1f);
    EXPECT_EQ(grid.vertex(2, 1).mass, 1.0f);
    PlainGrid empty(-4, 5);
    EXPECT_EQ(empty.vertexCount, 0);
}

TEST(NWaveTest, StrikeActsOnlyTwoAwayFromTheBorderAndTouchesAPlusOfFive)
{
    NWave wave(61, 61);
    const std::vector<SpringVertex> before = snapshot(wave);
    const int outside[][2] = {{1, 10}, {60, 10}, {10, 1}, {10, 60}, {0, 0}, {-5, 30}, {30, 1000}};
    for (const auto& at : outside)
        EXPECT_EQ(wave.strike(at[0], at[1]), 0) << at[0] << "," << at[1];
    for (int k = 0; k < wave.vertexCount; ++k)
        ASSERT_TRUE(sameBytes(wave.vertices[size_t(k)], before[size_t(k)])) << k;

    EXPECT_EQ(wave.strike(2, 2), 1);
    EXPECT_EQ(wave.strike(59, 59), 1);
    EXPECT_EQ(wave.strike(59, 59), 1); // a second strike adds its push, the mass stays 10
    const int hitLow[5][2] = {{2, 2}, {1, 2}, {3, 2}, {2, 1}, {2, 3}};
    const int hitHigh[5][2] = {{59, 59}, {58, 59}, {60, 59}, {59, 58}, {59, 60}};
    int touched = 0;
    for (int row = 0; row < 61; ++row) {
        for (int column = 0; column < 61; ++column) {
            const SpringVertex& v = wave.vertex(column, row);
            float expectedZ = 0;
            for (const auto& at : hitLow)
                if (at[0] == column && at[1] == row)
                    expectedZ = -20;
            for (const auto& at : hitHigh)
                if (at[0] == column && at[1] == row)
                    expectedZ = -40;
            if (expectedZ == 0) {
                ASSERT_TRUE(sameBytes(v, before[size_t(column + row * 61)])) << column << "," << row;
                continue;
            }
            ++touched;
            EXPECT_EQ(v.force, Vec3(0, 0, expectedZ)) << column << "," << row;
            EXPECT_EQ(v.mass, 10.0f) << column << "," << row;
        }
    }
    EXPECT_EQ(touched, 10);
}

TEST(NWaveTest, SpringsPullTheBorderInwardAndBalanceInside)
{
    NWave wave(61, 61);
    wave.computeForces();
    const double pull = double(gridStep) + 0.1; // every spring: length minus the -0.1 rest length
    const double tolerance = 1e-6;
    expectNear(wave.vertex(0, 0).force, Vec3(pull, pull, 0), tolerance, "first corner");
    expectNear(wave.vertex(30, 0).force, Vec3(0, pull, 0), tolerance, "first row");
    // The last column and row have no springs along them: only the far ends of the others.
    expectNear(wave.vertex(60, 0).force, Vec3(-pull, 0, 0), tolerance, "end of the first row");
    expectNear(wave.vertex(0, 60).force, Vec3(0, -pull, 0), tolerance, "end of the first column");
    expectNear(wave.vertex(60, 60).force, Vec3(), 0, "last corner");
    expectNear(wave.vertex(60, 30).force, Vec3(-pull, 0, 0), tolerance, "last column");
    for (int row = 1; row < 60; ++row)
        for (int column = 1; column < 60; ++column)
            expectNear(wave.vertex(column, row).force, Vec3(), tolerance, "inside");

    // A vertex lifted out of the sheet is pulled back and pulls its four neighbours after it.
    NWave lifted(61, 61);
    lifted.vertex(30, 30).position.z = 0.5f;
    lifted.computeForces();
    EXPECT_LT(lifted.vertex(30, 30).force.z, -1.0f);
    EXPECT_GT(lifted.vertex(29, 30).force.z, 0.2f);
    EXPECT_GT(lifted.vertex(31, 30).force.z, 0.2f);
    EXPECT_GT(lifted.vertex(30, 29).force.z, 0.2f);
    EXPECT_GT(lifted.vertex(30, 31).force.z, 0.2f);

    // Stiffness scales the forces component by component.
    NWave soft(61, 61);
    soft.stiffness = Vec3(0.5, 1, 0);
    soft.vertex(30, 30).position.z = 0.5f;
    soft.computeForces();
    expectNear(soft.vertex(0, 0).force, Vec3(0.5 * pull, pull, 0), tolerance, "soft corner");
    EXPECT_EQ(soft.vertex(30, 30).force.z, 0.0f);

    // Two vertices in one place: that spring adds nothing and nothing turns into non-numbers.
    NWave folded(61, 61);
    folded.vertex(11, 10).position = folded.vertex(10, 10).position;
    folded.computeForces();
    for (int k = 0; k < folded.vertexCount; ++k) {
        const Vec3& f = folded.vertices[size_t(k)].force;
        ASSERT_TRUE(std::isfinite(f.x) && std::isfinite(f.y) && std::isfinite(f.z)) << k;
    }
}

TEST(NWaveTest, StruckMassDecaysBackToOneAfter460ForcePasses)
{
    NWave wave(61, 61);
    wave.vertex(30, 30).mass = 10.0f;
    wave.vertex(30, 60).mass = 10.0f; // the last row is never the near end of a spring
    for (int pass = 0; pass < 459; ++pass)
        wave.computeForces();
    EXPECT_GT(wave.vertex(30, 30).mass, 1.0f);
    EXPECT_LT(wave.vertex(30, 30).mass, 1.01f);
    wave.computeForces();
    EXPECT_EQ(wave.vertex(30, 30).mass, 1.0f);
    for (int pass = 0; pass < 10; ++pass)
        wave.computeForces();
    EXPECT_EQ(wave.vertex(30, 30).mass, 1.0f);
    EXPECT_EQ(wave.vertex(30, 60).mass, 10.0f);
    EXPECT_EQ(wave.vertex(31, 30).mass, 1.0f);
}

TEST(NWaveTest, IntegrationMovesOnlyTheInsideAndTheStruckClothSettles)
{
    NWave wave(61, 61);
    wave.strike(30, 30);
    wave.computeForces();
    const Vec3 borderForce = wave.vertex(0, 30).force;
    wave.integrate();
    // The force pass has already let the mass decay to 9.95: velocity = -20 / (9.95 + 1) * 0.1,
    // the position moves by velocity * 0.1, then the velocity is damped.
    const double velocity = -20.0 / 10.95 * 0.1;
    EXPECT_NEAR(wave.vertex(30, 30).position.z, velocity * 0.1, 1e-6);
    EXPECT_NEAR(wave.vertex(30, 30).velocity.z, velocity * 0.9995, 1e-6);
    EXPECT_EQ(wave.vertex(30, 30).force, Vec3());
    EXPECT_EQ(wave.vertex(0, 30).force, borderForce); // the border is not integrated
    for (int k = 0; k < 61; ++k) {
        EXPECT_EQ(wave.vertex(k, 0).position, wave.restPosition(k, 0));
        EXPECT_EQ(wave.vertex(k, 60).position, wave.restPosition(k, 60));
        EXPECT_EQ(wave.vertex(0, k).position, wave.restPosition(0, k));
        EXPECT_EQ(wave.vertex(60, k).position, wave.restPosition(60, k));
    }

    // A minute of the scene's frames with a strike every six seconds stays bounded.
    float deepest = 0;
    for (int frame = 0; frame < 4000; ++frame) {
        wave.computeForces();
        wave.integrate();
        if (frame % 375 == 0)
            wave.strike(2 + frame % 50, 2 + (frame / 7) % 50);
        if (frame % 10 != 0)
            continue;
        for (int k = 0; k < wave.vertexCount; ++k) {
            const Vec3& p = wave.vertices[size_t(k)].position;
            ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) << frame;
            deepest = std::max(deepest, std::fabs(p.z));
        }
    }
    EXPECT_GT(deepest, 0.01f);
    EXPECT_LT(deepest, 1.0f);
}

TEST(NWaveTest, NormalsFollowTheSurfaceIncludingTheLastRowAndColumn)
{
    NWave flat(61, 61);
    flat.computeNormals();
    EXPECT_EQ(flat.faceNormalA(0, 0), Vec3(0, 0, 1));
    EXPECT_EQ(flat.faceNormalB(59, 59), Vec3(0, 0, 1));
    EXPECT_EQ(flat.vertex(30, 30).normal, Vec3(0, 0, 1));
    EXPECT_EQ(flat.vertex(0, 30).normal, Vec3()); // the first row and column are left alone
    EXPECT_EQ(flat.vertex(30, 0).normal, Vec3());

    // A plane tilted along x: every normal leans back against the slope, at every edge too.
    NWave tilted(61, 61);
    for (int k = 0; k < tilted.vertexCount; ++k) {
        Vec3& p = tilted.vertices[size_t(k)].position;
        p.z = 0.5f * p.x;
    }
    tilted.computeNormals();
    const Vec3 expected = Vec3(-0.5, 0, 1).normalized();
    for (int row = 1; row < 61; ++row)
        for (int column = 1; column < 61; ++column)
            expectNear(tilted.vertex(column, row).normal, expected, 1e-5, "tilted");
}

TEST(NWaveTest, SheetHeightsFollowTheWaveAndFadeOut)
{
    const int k = 37;
    auto waveHeight = [k](int column, int row) {
        const double c = 3.14 / 61;
        const double a = std::cos(0.01 * k) + 2, b = std::cos(k / 73.0) + 2, s = std::sin(0.01 * k) + 2;
        return (std::sin(column * b * c) + std::cos(row * a * c)) * s / 3;
    };
    NWave sheet(61, 61);
    sheet.setSheetHeights(k, 0);
    const int setCorners[][2] = {{2, 2}, {58, 2}, {2, 55}, {58, 55}, {30, 30}};
    for (const auto& at : setCorners) {
        const Vec3& p = sheet.vertex(at[0], at[1]).position;
        EXPECT_NEAR(p.z, waveHeight(at[0], at[1]), 1e-6) << at[0] << "," << at[1];
        EXPECT_EQ(p.x, sheet.restPosition(at[0], at[1]).x);
        EXPECT_EQ(p.y, sheet.restPosition(at[0], at[1]).y);
    }
    const int keptCorners[][2] = {{1, 30}, {59, 30}, {30, 1}, {30, 56}, {30, 60}};
    for (const auto& at : keptCorners)
        EXPECT_EQ(sheet.vertex(at[0], at[1]).position, sheet.restPosition(at[0], at[1]));

    sheet.fading = true;
    sheet.fadeStart = 10;
    sheet.fadeDuration = 15;
    sheet.setSheetHeights(k, 17.5f);
    EXPECT_NEAR(sheet.vertex(30, 30).position.z, 0.5 * waveHeight(30, 30), 1e-6);
    sheet.setSheetHeights(k, 10);
    EXPECT_NEAR(sheet.vertex(30, 30).position.z, waveHeight(30, 30), 1e-6);
    sheet.setSheetHeights(k, 40);
    EXPECT_EQ(sheet.vertex(30, 30).position.z, 0.0f);
    sheet.fadeDuration = 0; // a fade of no length is simply flat
    sheet.setSheetHeights(k, 10);
    EXPECT_EQ(sheet.vertex(30, 30).position.z, 0.0f);
}
