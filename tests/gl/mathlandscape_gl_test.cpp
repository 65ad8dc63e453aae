// The landscape with a context: its construction (balls placed from the random sequence, the
// object, the fog state, the banner), the terrain drawn from the start-up camera with and
// without fog, and the per-frame ball step.
#include "effects/mathlandscape.h"

#include "app/log.h"
#include "app/settings_dialog.h"
#include "assets/writer3ds.h"
#include "geometry/ball.h"
#include "geometry/mesh.h"
#include "geometry/nobject.h"
#include "geometry/random.h"
#include "platform/files.h"
#include "tests/gl/gl_context.h"
#include "tests/gl/gl_state.h"
#include "tests/unit/picture_files.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include "platform/gl.h"
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// A data folder with the terrain's texture, a bright yellow-green grid, and a small ball: an
// octahedron of radius 100 (closed, so its shadow volume is) with a two-colour picture.
std::string landscapeDataFolder()
{
    const std::string folder = ::testing::TempDir() + "talvoren_landscape_data";
    const std::string command = "mkdir -p '" + folder + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    pictures::writeFile(folder + "/tex1.jpg", pictures::jpegBytes(64, 64, [](int x, int y) {
        return (x % 16 < 2 || y % 16 < 2) ? pictures::Rgb(255, 255, 255) : pictures::Rgb(200, 230, 60);
    }));
    pictures::writeFile(folder + "/checker.jpg", pictures::jpegBytes(16, 16, [](int x, int y) {
        return ((x / 8 + y / 8) % 2) ? pictures::Rgb(255, 255, 255) : pictures::Rgb(200, 20, 20);
    }));
    Writer3DS writer;
    writer.addMaterial("checker").textureMap1.fileName = "checker.jpg";
    MeshBuilder& ball = writer.addMesh("ball");
    for (const Vec3& corner : {Vec3(100, 0, 0), Vec3(-100, 0, 0), Vec3(0, 100, 0), Vec3(0, -100, 0),
                               Vec3(0, 0, 100), Vec3(0, 0, -100)})
        ball.addVertex(corner, Vec2{float(corner.x > 0), float(corner.z > 0)});
    // Counter-clockwise seen from outside: four faces around +y (2), four around -y (3).
    const uint16_t faces[8][3] = {{4, 0, 2}, {0, 5, 2}, {5, 1, 2}, {1, 4, 2},
                                  {0, 4, 3}, {5, 0, 3}, {1, 5, 3}, {4, 1, 3}};
    for (const auto& face : faces)
        ball.addFace(face[0], face[1], face[2], 1, 0);
    std::string error;
    EXPECT_TRUE(writer.writeFile(folder + "/ball3.3ds", &error)) << error;
    return folder;
}

// The classic generator, written out here to know which values the placement must have used.
class ClassicRand {
public:
    int next()
    {
        state = state * 214013u + 2531011u;
        return int((state >> 16) & 0x7FFF);
    }

private:
    uint32_t state = 1;
};

class MathlandscapeGl : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousFolder = os::dataFolder();
        os::setDataFolder(landscapeDataFolder());
        screenWidth = glTestWidth;
        screenHeight = glTestHeight;
        previousWorld = world;
        world = &testWorld;
        world->setDefaultViewport();
        world->setLightPosition(1, 4, -200);
        crt::srand(1);
        land = std::make_unique<Mathlandscape>();
    }
    void TearDown() override
    {
        land.reset();
        world = previousWorld;
        os::setDataFolder(previousFolder);
        glFogf(GL_FOG_START, 0);
        glFogf(GL_FOG_END, 1);
        glFogi(GL_FOG_MODE, GL_EXP);
        glFogf(GL_FOG_DENSITY, 1);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    // The terrain as the landscape scene draws it, from the start-up camera or looking along z
    // from beyond its near edge, over the whole length of the ground.
    void drawTerrain(bool fog, bool alongTheGround = false)
    {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        AttribScope attributes;
        MatrixScope matrix;
        glLoadIdentity();
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        if (fog)
            glEnable(GL_FOG);
        glMaterialfv(GL_FRONT, GL_AMBIENT, land->materialAmbient);
        glMaterialfv(GL_FRONT, GL_DIFFUSE, land->materialDiffuse);
        glMaterialfv(GL_FRONT, GL_SPECULAR, land->materialSpecular);
        glMaterialf(GL_FRONT, GL_SHININESS, land->materialShininess);
        if (alongTheGround)
            gluLookAt(0, 4, -14, 0, -1.5, -3, 0, 1, 0);
        else
            gluLookAt(5.89, 4.11, -11.25, -5.43, -15.75, -4.17, 0, 1, 0);
        land->object->draw(shadeDisplayList);
    }

    struct Region {
        long brightness = 0; // r + g + b summed over the region
        int lit = 0;         // pixels that are not black
        int textured = 0;    // pixels where the texture's yellow-green shows: more green than blue
    };

    // The rows from firstRow (counted from the bottom) up to, not including, endRow.
    static Region measureRows(int firstRow, int endRow)
    {
        std::vector<uint8_t> pixels(size_t(glTestWidth) * size_t(endRow - firstRow) * 4);
        glReadPixels(0, firstRow, glTestWidth, endRow - firstRow, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        Region region;
        for (size_t i = 0; i < pixels.size(); i += 4) {
            const int r = pixels[i], g = pixels[i + 1], b = pixels[i + 2];
            region.brightness += r + g + b;
            region.lit += r + g + b > 30;
            region.textured += g > b + 20;
        }
        return region;
    }

    std::string previousFolder;
    World testWorld;
    World* previousWorld = nullptr;
    std::unique_ptr<Mathlandscape> land;
};

void expectNear(const Vec3& actual, const Vec3& expected, double tolerance)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// The surface normal from central differences of the height, independent of the scene's probe.
Vec3 trueNormal(Mathlandscape& land, float x, float z)
{
    const float h = 1e-3f;
    const double dx = (land.height(x + h, z) - land.height(x - h, z)) / (2.0 * h);
    const double dz = (land.height(x, z + h) - land.height(x, z - h)) / (2.0 * h);
    return Vec3(-dx, 1, -dz).normalized();
}

} // namespace

TEST_F(MathlandscapeGl, ConstructionPlacesTheBallsBuildsTheObjectAndSetsTheFog)
{
    // Once more with a log, to see the banner.
    Log log(true);
    Log* previousLogger = logger;
    logger = &log;
    land.reset();
    crt::srand(1);
    land = std::make_unique<Mathlandscape>();
    logger = previousLogger;
    EXPECT_NE(log.text().find("Mathlandscape Object"), std::string::npos);

    ASSERT_EQ(land->balls.size(), 13u);
    EXPECT_FALSE(land->freeFlight);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(land->balls[size_t(i)]->position, Vec3(0.99, 1.0, i - 7)) << i;
    for (int i = 5; i < 10; ++i)
        EXPECT_EQ(land->balls[size_t(i)]->position, Vec3(0.5, 1.0, i - 12)) << i;
    // Balls 10 to 12 take a, b and c from three calls in that order.
    ClassicRand rand;
    for (int i = 10; i < 13; ++i) {
        const int a = rand.next() % 50, b = rand.next() % 100, c = rand.next() % 100;
        const Ball& ball = *land->balls[size_t(i)];
        EXPECT_EQ(ball.position, Vec3(0.02 * c, 0.02 * b, 0.01 * a - 7)) << i;
        EXPECT_FLOAT_EQ(ball.mass, 3.0f);
        EXPECT_FLOAT_EQ(ball.radius, 0.15f);
    }
    EXPECT_EQ(crt::rand(), rand.next()) << "the placement takes exactly nine values";
    // The half step comes after the mass is set: gravity / mass for half a time step.
    expectNear(land->balls[0]->velocity, Vec3(1.5, -0.09, 0), 1e-6);
    expectNear(land->balls[12]->velocity, Vec3(1.5, -0.03, 0), 1e-6);

    ASSERT_TRUE(land->object);
    ASSERT_EQ(land->object->meshes.size(), 1u);
    EXPECT_EQ(land->object->meshes[0]->faceCount(), 29502);
    EXPECT_TRUE(land->object->hasTexture);
    EXPECT_TRUE(land->object->hasDisplayList);
    EXPECT_NE(land->object->meshes[0]->texture, 0u);

    GLint mode = 0;
    GLfloat colour[4], density, start, end;
    glGetIntegerv(GL_FOG_MODE, &mode);
    glGetFloatv(GL_FOG_COLOR, colour);
    glGetFloatv(GL_FOG_DENSITY, &density);
    glGetFloatv(GL_FOG_START, &start);
    glGetFloatv(GL_FOG_END, &end);
    EXPECT_EQ(mode, GL_LINEAR);
    EXPECT_FLOAT_EQ(colour[0] + colour[1] + colour[2], 0.0f);
    EXPECT_NEAR(colour[3], 0.1, 1e-6);
    EXPECT_FLOAT_EQ(density, 0.35f);
    EXPECT_FLOAT_EQ(start, 10.0f);
    EXPECT_FLOAT_EQ(end, 15.0f);
}

// From the start-up camera, which looks steeply down past the terrain's near corner, the ground
// fills the upper half of the picture and the corner reaches into the lower half, all of it
// nearer than the fog's start. Seen along its whole length, the fog (black, linear from 10 to
// 15 units away) swallows the far ground and leaves the near ground as it was.
TEST_F(MathlandscapeGl, TerrainDrawsTexturedFromTheStartCameraAndFogHidesOnlyTheFarGround)
{
    const int middle = glTestHeight / 2, half = glTestWidth * glTestHeight / 2;
    const GlStacks before = GlStacks::capture();
    drawTerrain(false);
    const Region upper = measureRows(middle, glTestHeight), lower = measureRows(0, middle);
    drawTerrain(true);
    const Region upperFogged = measureRows(middle, glTestHeight), lowerFogged = measureRows(0, middle);
    EXPECT_EQ(GlStacks::capture(), before);

    EXPECT_GT(upper.lit, half * 6 / 10);
    EXPECT_GT(upper.textured, half * 4 / 10);
    EXPECT_GT(lower.lit, half / 10);
    EXPECT_GT(lower.textured, half / 20);
    EXPECT_GT(lowerFogged.lit, half / 10);
    EXPECT_NEAR(double(upperFogged.brightness), double(upper.brightness), upper.brightness * 0.05);

    // Along the ground: the near edge at the bottom, 4 to 8 units away, the far end 16 away.
    const int farBand = glTestWidth * 50, nearBand = glTestWidth * 60;
    drawTerrain(false, true);
    const Region farClear = measureRows(105, 155), nearClear = measureRows(0, 60);
    drawTerrain(true, true);
    const Region farFogged = measureRows(105, 155), nearFogged = measureRows(0, 60);
    EXPECT_GT(farClear.lit, farBand * 6 / 10);
    EXPECT_LT(farFogged.brightness, farClear.brightness / 2);
    EXPECT_GT(nearFogged.lit, nearBand * 9 / 10);
    EXPECT_GT(nearFogged.brightness, nearClear.brightness * 9 / 10);
}

TEST_F(MathlandscapeGl, OneStepLiftsSunkenBallsOntoTheSlopeAndSeparatesTouchingOnes)
{
    land->freeFlight = true;
    // The random balls go far out of the way, so only the arranged contacts happen.
    for (int i = 10; i < 13; ++i)
        land->balls[size_t(i)]->setPosition(Vec3(20 + 2 * i, 5, 20));
    // Ball 0 a little under the flank of the first ridge, slowly sinking.
    const float x = -1.5f, z = -2.0f;
    const float ground = land->height(x, z);
    land->balls[0]->setPosition(Vec3(x, ground - 0.05, z));
    land->balls[0]->setVelocity(Vec3(0, -0.3, 0));
    // Ball 6 pushed into ball 5, both high in the air.
    const Vec3 ball5 = land->balls[5]->position;
    land->balls[6]->setPosition(ball5 + Vec3(0.12, 0, 0));
    std::vector<Vec3> untouched;
    for (int i = 1; i < 5; ++i)
        untouched.push_back(land->balls[size_t(i)]->position);

    land->updateBalls();

    // On the surface, with the normal part of its velocity taken away: it slides along the slope.
    const Ball& slider = *land->balls[0];
    EXPECT_EQ(slider.position, Vec3(x, ground, z));
    const Vec3 normal = trueNormal(*land, x, z);
    EXPECT_LT(normal.y, 0.95f) << "the test spot should be on a slope";
    EXPECT_NEAR(slider.velocity.dot(normal), 0.0, 2e-3);
    EXPECT_GT(slider.velocity.length(), 0.05);
    EXPECT_GT(slider.spinAngle, 0.0f);

    // Moved apart along x until they just touch, half the overlap each.
    EXPECT_NEAR((land->balls[6]->position - land->balls[5]->position).length(), 0.2, 1e-5);
    EXPECT_NEAR(land->balls[5]->position.x, ball5.x - 0.04, 1e-5);

    // Free flight holds every other ball where it was.
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(land->balls[size_t(i)]->position, untouched[size_t(i - 1)]) << i;
}

TEST_F(MathlandscapeGl, BallsRollOverTheGroundForSecondsAndTheStepLeavesTheStateAsFound)
{
    MatrixScope matrix;
    glLoadIdentity();
    gluLookAt(5.89, 4.11, -11.25, -5.43, -15.75, -4.17, 0, 1, 0);
    const GlStacks before = GlStacks::capture();
    const GLboolean depthTestBefore = glIsEnabled(GL_DEPTH_TEST);
    std::vector<Vec3> start;
    for (const auto& ball : land->balls)
        start.push_back(ball->position);

    constexpr int frames = 500; // ten seconds of ball time
    for (int frame = 0; frame < frames; ++frame) {
        land->updateBalls();
        for (const auto& ball : land->balls) {
            const Vec3& p = ball->position;
            ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) << frame;
            // One free step may take a ball below the surface, as deep as that step reaches (the
            // ground may rise under it too); the next step puts it back.
            const double reach = 3 * ball->velocity.length() * ball->timeStep + 0.01;
            ASSERT_GT(p.y, land->height(p.x, p.z) - reach) << frame;
        }
    }
    EXPECT_EQ(GlStacks::capture(), before);
    EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST), depthTestBefore);
    for (size_t i = 0; i < start.size(); ++i)
        EXPECT_GT((land->balls[i]->position - start[i]).length(), 0.5) << i;
}
