// SpaceFlight on the headless context, in a data folder of its own: a white wall the camera
// flies towards through the fog, a straight path and the white picture.
#include "effects/space_flight.h"

#include "app/log.h"
#include "app/settings_dialog.h"
#include "assets/writer3ds.h"
#include "platform/files.h"
#include "platform/os.h"
#include "tests/gl/gl_context.h"
#include "tests/gl/gl_state.h"
#include "tests/unit/picture_files.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// Control points of the eye, straight down the z axis towards the wall at z = 0. The flight
// runs from the second point (24 units away) to the third from last (12 units away).
constexpr double eyeDistances[] = {26, 24, 20, 16, 12, 8, 6};
constexpr double startDistance = 24;
constexpr double endDistance = 12;

// Window pixel whose trail texel comes from inside the 320 x 240 window part of the capture
// square (the trail square is stretched over the whole window).
constexpr int sampleX = 50, sampleY = 50;

void writeFlightData(const std::string& folder)
{
    Writer3DS writer;
    MaterialInput& material = writer.addMaterial("wall");
    material.textureMap1.fileName = "white.jpg";
    MeshBuilder& wall = writer.addMesh("wall");
    // 1000 file units square, 100 scene units after the flight's scaling: it fills the view.
    const uint16_t a = wall.addVertex(Vec3(-500, -500, 0), Vec2{0, 0});
    const uint16_t b = wall.addVertex(Vec3(500, -500, 0), Vec2{1, 0});
    const uint16_t c = wall.addVertex(Vec3(500, 500, 0), Vec2{1, 1});
    const uint16_t d = wall.addVertex(Vec3(-500, 500, 0), Vec2{0, 1});
    wall.addFace(a, b, c, 1, 0);
    wall.addFace(a, c, d, 1, 0);
    std::string error;
    ASSERT_TRUE(writer.writeFile(folder + "/space.3ds", &error)) << error;

    FILE* path = std::fopen((folder + "/space1.pos").c_str(), "w");
    ASSERT_NE(path, nullptr);
    for (double z : eyeDistances)
        std::fprintf(path, "0 0 %g 0 0 0 0 1 0\n", z);
    std::fclose(path);

    pictures::writeFile(folder + "/white.jpg",
                        pictures::jpegBytes(16, 16, [](int, int) { return pictures::Rgb(255, 255, 255); }));
    // The model's light set-up reads the light spot too (and reports it when missing); the
    // flight itself never draws it.
    pictures::writeFile(folder + "/light.jpg",
                        pictures::jpegBytes(16, 16, [](int, int) { return pictures::Rgb(255, 255, 255); }));
}

// The wall's grey through linear fog from 8 to 30 towards (0.2, 0.2, 0.2), in 0-255.
double foggedWall(double distance)
{
    const double f = std::clamp((30 - distance) / (30 - 8), 0.0, 1.0);
    return 255 * (f + (1 - f) * 0.2);
}

class SpaceFlightTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousFolder = os::dataFolder();
        folder = pictures::scratchPath("data");
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        os::setDataFolder(folder);
        previousLogger = logger;
        logger = &log;
        os::setMessageBoxHook([this](const std::string& text, const std::string&, unsigned) {
            boxes.push_back(text);
            return os::IDOK;
        });
        screenWidth = glTestWidth;
        screenHeight = glTestHeight;
        previousWorld = world;
        world = &testWorld;
        testWorld.loadMultitexture();
        testWorld.setDefaultViewport();
        previousTime = demoTime;
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    }
    void TearDown() override
    {
        demoTime = previousTime;
        world = previousWorld;
        os::setMessageBoxHook(nullptr);
        logger = previousLogger;
        os::setDataFolder(previousFolder);
        std::filesystem::remove_all(folder);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    // drawFlight for `frames` frames at music time `seconds`, then drawOverlay onto black.
    int flyAndShow(SpaceFlight& flight, float seconds, int frames)
    {
        demoTime = seconds;
        for (int frame = 0; frame < frames; ++frame)
            flight.drawFlight();
        flight.drawOverlay();
        return readPixel(sampleX, sampleY)[0];
    }

    std::string folder, previousFolder;
    Log log{true};
    Log* previousLogger = nullptr;
    std::vector<std::string> boxes;
    World testWorld;
    World* previousWorld = nullptr;
    float previousTime = 0;
};

void expectAt(const Camera& camera, double f)
{
    const Vec3 eye = camera.eyePath.at(f), view = camera.viewPath.at(f), up = camera.upPath.at(f);
    EXPECT_FLOAT_EQ(camera.eye.z, eye.z) << "at " << f;
    EXPECT_FLOAT_EQ(camera.eye.x, eye.x) << "at " << f;
    EXPECT_FLOAT_EQ(camera.view.z, view.z) << "at " << f;
    EXPECT_FLOAT_EQ(camera.up.y, up.y) << "at " << f;
}

} // namespace

TEST_F(SpaceFlightTest, FliesItsPathOnceAlongTheRampAndAgainWhenRestarted)
{
    writeFlightData(folder);
    SpaceFlight flight;
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    ASSERT_EQ(flight.camera->eyePath.pointCount(), 7);
    EXPECT_TRUE(flight.model->hasDisplayList);

    // Never started: the ramp reads as finished, the camera waits at the end of its path.
    demoTime = 20;
    flight.drawFlight();
    expectAt(*flight.camera, 1);
    EXPECT_NEAR(flight.camera->eye.z, endDistance, 1e-5);

    flight.ramp.setDuration(13.6);
    flight.ramp.start();
    flight.drawFlight();
    expectAt(*flight.camera, 0);
    EXPECT_NEAR(flight.camera->eye.z, startDistance, 1e-5);

    demoTime = 20 + 6.8f;
    flight.drawFlight();
    expectAt(*flight.camera, 0.5);
    demoTime = 40;
    flight.drawFlight();
    expectAt(*flight.camera, 1);

    // Starting the ramp again flies the path again from its start.
    demoTime = 50;
    flight.ramp.start();
    flight.drawFlight();
    expectAt(*flight.camera, 0);
    EXPECT_NEAR(flight.camera->eye.z, startDistance, 1e-5);
}

TEST_F(SpaceFlightTest, OverlayShowsTheBlackTrailUntilTheFlightHasDrawnThenTheFoggedStructure)
{
    writeFlightData(folder);
    SpaceFlight flight;
    demoTime = 0;

    // White underneath: the overlay's blend keeps it exactly when the trail is black.
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    flight.drawOverlay();
    EXPECT_EQ(readPixel(sampleX, sampleY), (Rgba{255, 255, 255, 255}));
    glClear(GL_COLOR_BUFFER_BIT);
    flight.drawOverlay();
    EXPECT_EQ(readPixel(sampleX, sampleY), (Rgba{0, 0, 0, 0}));

    // The flight leaves the buffers cleared; its picture lives in the trail.
    flight.ramp.setDuration(13.6);
    flight.ramp.start();
    flight.drawFlight();
    EXPECT_EQ(readPixel(sampleX, sampleY), (Rgba{0, 0, 0, 0}));
    flight.drawOverlay();
    EXPECT_NEAR(readPixel(sampleX, sampleY)[0], 0.15 * foggedWall(startDistance), 3); // 1 - persistence

    // Held long enough, the trail settles on the wall's fogged grey: dim far away, clearer near.
    glClear(GL_COLOR_BUFFER_BIT);
    const int far = flyAndShow(flight, 0, 60);
    glClear(GL_COLOR_BUFFER_BIT);
    const int near = flyAndShow(flight, 13.6f, 60);
    EXPECT_NEAR(far, foggedWall(startDistance), 12);
    EXPECT_NEAR(near, foggedWall(endDistance), 12);
    EXPECT_GT(near, far + 60);
}

TEST_F(SpaceFlightTest, DrawsLeaveTheStateAsTheyFoundIt)
{
    writeFlightData(folder);
    SpaceFlight flight;
    flight.flash->start(); // the flash draws too
    demoTime = 3;
    flight.ramp.start();

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    glViewport(10, 20, 200, 100);
    glDisable(GL_FOG);
    glDisable(GL_BLEND);
    glColor4f(0.5f, 0.25f, 0.75f, 1);
    const GlStacks stacks = GlStacks::capture();
    GLfloat modelview[16], colour[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    GLint viewport[4], activeUnit = 0;
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &activeUnit);

    for (int frame = 0; frame < 3; ++frame) {
        flight.drawFlight();
        flight.drawOverlay();
    }

    EXPECT_EQ(GlStacks::capture(), stacks);
    GLfloat modelviewAfter[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelviewAfter);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(modelviewAfter[i], modelview[i]) << "element " << i;
    GLint viewportAfter[4], activeUnitAfter = 0;
    glGetIntegerv(GL_VIEWPORT, viewportAfter);
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &activeUnitAfter);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(viewportAfter[i], viewport[i]);
    EXPECT_EQ(activeUnitAfter, activeUnit);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[1], 0.25f);
    testWorld.setDefaultViewport();
}

TEST_F(SpaceFlightTest, MissingFilesAreReportedAndTheFlightStillDraws)
{
    SpaceFlight flight; // the folder is empty
    bool modelReported = false, backdropReported = false;
    for (const std::string& box : boxes) {
        modelReported = modelReported || box.find("space.3ds") != std::string::npos;
        backdropReported = backdropReported || box.find("white.jpg") != std::string::npos;
    }
    EXPECT_TRUE(modelReported);
    EXPECT_TRUE(backdropReported);
    EXPECT_NE(log.text().find("File Not Found : ./data/space1.pos"), std::string::npos);
    EXPECT_EQ(flight.camera->eyePath.pointCount(), 0);

    const size_t reported = boxes.size();
    flight.ramp.setDuration(13.6);
    flight.ramp.start();
    const Vec3 eye = flight.camera->eye;
    flight.drawFlight();
    flight.drawOverlay();
    EXPECT_EQ(boxes.size(), reported); // drawing asks nothing more
    EXPECT_FLOAT_EQ(flight.camera->eye.z, eye.z);
}
