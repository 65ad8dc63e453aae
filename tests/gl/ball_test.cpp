#include "app/settings_dialog.h"
#include "assets/writer3ds.h"
#include "geometry/ball.h"
#include "geometry/nobject.h"
#include "platform/files.h"
#include "tests/gl/gl_context.h"
#include "tests/gl/gl_state.h"
#include "tests/unit/picture_files.h"
#include "world/world.h"

#include "platform/gl.h"
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

// A data folder holding the ball's model (a textured sphere of radius 100 with shared corners,
// closed so that its shadow volume is) and its checkerboard.
std::string ballDataFolder()
{
    const std::string folder = ::testing::TempDir() + "talvoren_ball_data";
    std::string command = "mkdir -p '" + folder + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    Writer3DS writer;
    MaterialInput& material = writer.addMaterial("checker");
    material.textureMap1.fileName = "checker.jpg";
    MeshBuilder& sphere = writer.addMesh("ball");
    constexpr int rings = 12, segments = 16;
    auto index = [&](int ring, int segment) { return uint16_t(1 + (ring - 1) * (segments + 1) + segment); };
    sphere.uv.clear();
    sphere.addVertex(Vec3(0, 100, 0), Vec2{0.5f, 0});
    for (int ring = 1; ring < rings; ++ring) {
        const double theta = std::numbers::pi * ring / rings;
        for (int segment = 0; segment <= segments; ++segment) {
            // The seam's last column repeats the first one's positions exactly.
            const double phi = 2 * std::numbers::pi * (segment % segments) / segments;
            sphere.addVertex(Vec3(100 * std::sin(theta) * std::cos(phi), 100 * std::cos(theta),
                                  100 * std::sin(theta) * std::sin(phi)),
                             Vec2{float(segment) / segments, float(ring) / rings});
        }
    }
    const uint16_t south = sphere.addVertex(Vec3(0, -100, 0), Vec2{0.5f, 1});
    for (int segment = 0; segment < segments; ++segment) {
        sphere.addFace(0, index(1, segment + 1), index(1, segment), 1, 0);
        for (int ring = 1; ring + 1 < rings; ++ring) {
            sphere.addFace(index(ring, segment), index(ring, segment + 1), index(ring + 1, segment + 1), 1, 0);
            sphere.addFace(index(ring, segment), index(ring + 1, segment + 1), index(ring + 1, segment), 1, 0);
        }
        sphere.addFace(index(rings - 1, segment), index(rings - 1, segment + 1), south, 1, 0);
    }
    std::string error;
    EXPECT_TRUE(writer.writeFile(folder + "/ball3.3ds", &error)) << error;
    pictures::writeFile(folder + "/checker.jpg", pictures::jpegBytes(64, 64, [](int x, int y) {
        return ((x / 8 + y / 8) % 2) ? pictures::Rgb(255, 255, 255) : pictures::Rgb(40, 40, 40);
    }));
    return folder;
}

class BallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousFolder = os::dataFolder();
        os::setDataFolder(ballDataFolder());
        screenWidth = glTestWidth;
        screenHeight = glTestHeight;
        previousWorld = world;
        world = &ballWorld;
        ball = std::make_unique<Ball>();
    }
    void TearDown() override
    {
        ball.reset();
        world = previousWorld;
        os::setDataFolder(previousFolder);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
    std::string previousFolder;
    World ballWorld;
    World* previousWorld = nullptr;
    std::unique_ptr<Ball> ball;
};

void expectNear(const Vec3& actual, const Vec3& expected, double tolerance = 1e-5)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

const Vec3 up(0, 1, 0), alongX(1, 0, 0), alongZ(0, 0, 1);

} // namespace

TEST_F(BallTest, LoadsItsModelAtItsRadius)
{
    EXPECT_TRUE(ball->model->hasShadow);
    EXPECT_TRUE(ball->model->hasTexture);
    EXPECT_TRUE(ball->model->hasDisplayList);
    ASSERT_FALSE(ball->model->meshes.empty());
    float highest = 0;
    for (const auto& face : ball->model->meshes[0]->faces())
        for (const Vec3& v : face->vertices)
            highest = std::max(highest, v.y);
    EXPECT_NEAR(highest, 0.1, 1e-6); // 100 model units scaled by radius / modelSize
}

TEST_F(BallTest, ContactRestsSlowBallsAndBouncesFastOnes)
{
    ball->setVelocity(Vec3(0, -0.3, 0));
    ball->collidePlane(Vec3(0, 0, 0), up, alongZ, alongX);
    expectNear(ball->velocity, Vec3(0, 0, 0));

    ball->setVelocity(Vec3(0, -1, 0));
    ball->collidePlane(Vec3(2, 0, 0), up, alongZ, alongX);
    expectNear(ball->velocity, Vec3(0, 0.8 * 0.999, 0));
    expectNear(ball->position, Vec3(2, 0, 0));
}

TEST_F(BallTest, RollingSetsItsSpinAxisAndAngle)
{
    ball->setVelocity(Vec3(1, 0, 0));
    ball->collidePlane(Vec3(), up, alongX, alongZ);
    expectNear(ball->spinAxis, Vec3(0, 0, -0.999));
    EXPECT_NEAR(ball->spinAngle, 0.999 * 0.02 * 360 / (2 * 3.1415 * 0.1), 1e-3);
    ball->resetSpin();
    EXPECT_EQ(ball->spinAngle, 0.0f);
}

TEST_F(BallTest, HeadOnCollisionExchangesVelocitiesAndSeparatesTheBalls)
{
    Ball other;
    ball->setPosition(Vec3(0, 0, 0));
    ball->setVelocity(Vec3(1, 0, 0));
    other.setPosition(Vec3(0.15, 0, 0));
    other.setVelocity(Vec3(-1, 0, 0));
    std::vector<Ball*> balls = {ball.get(), &other};
    ball->collideBalls(balls);
    expectNear(ball->velocity, Vec3(-0.9, 0, 0));
    expectNear(other.velocity, Vec3(0.9, 0, 0));
    EXPECT_NEAR((other.position - ball->position).length(), 0.2, 1e-6); // just touching now

    // Exactly touching (gap 0: 0.2f is exactly the two radii 0.1f added) is not a collision.
    ball->setVelocity(Vec3(1, 0, 0));
    ball->setPosition(Vec3(0, 0, 0));
    other.setPosition(Vec3(0.2f, 0, 0));
    other.setVelocity(Vec3(-1, 0, 0));
    ball->collideBalls(balls);
    expectNear(ball->velocity, Vec3(1, 0, 0));
}

TEST_F(BallTest, IntegrateFromRestFallsUnderGravity)
{
    ball->setVelocity(Vec3());
    ball->setPosition(Vec3(0, 1, 0));
    ball->integrate();
    expectNear(ball->velocity, Vec3(0, -0.18, 0));
    expectNear(ball->position, Vec3(0, 0.9964, 0));
    EXPECT_EQ(ball->force, Vec3());
    ball->setVelocity(Vec3());
    ball->halfStep();
    expectNear(ball->velocity, Vec3(0, -0.09, 0));
}

TEST_F(BallTest, CastsAStencilShadowThatTheShadowPassDarkens)
{
    glViewport(0, 0, glTestWidth, glTestHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, double(glTestWidth) / glTestHeight, 0.1, 50);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 2, 2, 0, 0, 0, 0, 1, 0);
    glClearColor(0, 0, 0, 1);
    glClearStencil(0);

    auto drawFloorAndBall = [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
        glColor3f(0.8f, 0.8f, 0.8f);
        glBegin(GL_QUADS);
        glVertex3f(-2, 0, 2);
        glVertex3f(2, 0, 2);
        glVertex3f(2, 0, -2);
        glVertex3f(-2, 0, -2);
        glEnd();
        ball->draw();
        ball->drawShadow();
    };
    ball->setPosition(Vec3(0, 0.3, 0));
    drawFloorAndBall(); // the facing flags follow the light one draw late
    drawFloorAndBall();
    const GlStacks before = GlStacks::capture();
    ballWorld.drawShadowPass();
    EXPECT_EQ(GlStacks::capture(), before);

    GLdouble modelview[16], projection[16], x, y, z;
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluProject(0, 0, 0, modelview, projection, viewport, &x, &y, &z);
    const Rgba underBall = readPixel(int(x), int(y));
    gluProject(1, 0, 0, modelview, projection, viewport, &x, &y, &z);
    const Rgba openFloor = readPixel(int(x), int(y));
    EXPECT_NEAR(openFloor[0], 204, 2);
    EXPECT_NEAR(underBall[0], 41, 3); // 20 % of the floor
}
