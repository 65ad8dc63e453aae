#include "app/settings_dialog.h"
#include "tests/gl/gl_context.h"
#include "tests/gl/gl_state.h"
#include "tests/unit/picture_files.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

// A 2x2 texture: texel (s 0, t 0) red, (1, 0) green, (0, 1) blue, (1, 1) white.
GLuint cornerTexture()
{
    const uint8_t texels[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
    return texture;
}

class WorldDrawing : public ::testing::Test {
protected:
    void SetUp() override
    {
        screenWidth = glTestWidth;
        screenHeight = glTestHeight;
        negativeMode = stencilWindowMode = false;
        testWorld.setDefaultViewport();
        glClearColor(0, 0, 0, 0);
        glClearStencil(0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        glColor4f(1, 1, 1, 1);
    }
    void TearDown() override
    {
        negativeMode = stencilWindowMode = false;
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
    World testWorld;
};

Rgba rgb(int r, int g, int b) { return {r, g, b, 255}; }

} // namespace

TEST_F(WorldDrawing, TexturedQuadRunsSRightToLeftAndTTopToBottom)
{
    const GLuint texture = cornerTexture();
    const GlStacks before = GlStacks::capture();
    testWorld.drawTexturedQuad(-0.99, texture);
    EXPECT_EQ(GlStacks::capture(), before);
    const int right = glTestWidth - 2, top = glTestHeight - 2;
    EXPECT_EQ(readPixel(right, top), rgb(255, 0, 0)); // s 0, t 0
    EXPECT_EQ(readPixel(1, top), rgb(0, 255, 0));     // s 1, t 0
    EXPECT_EQ(readPixel(right, 1), rgb(0, 0, 255));   // s 0, t 1
    EXPECT_EQ(readPixel(1, 1), rgb(255, 255, 255));
    glDeleteTextures(1, &texture);
}

TEST_F(WorldDrawing, NegativeModeInvertsThePicture)
{
    const GLuint texture = cornerTexture();
    negativeMode = true;
    GLint envMode = 0;
    testWorld.drawTexturedQuad(0, texture);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
    EXPECT_EQ(envMode, GL_MODULATE); // the combine set-up does not outlive the draw
    EXPECT_EQ(readPixel(glTestWidth - 2, glTestHeight - 2), rgb(0, 255, 255));
    EXPECT_EQ(readPixel(1, 1), rgb(0, 0, 0));
    glDeleteTextures(1, &texture);
}

TEST_F(WorldDrawing, OrthoLeavesModelviewSelectedAndStacksBalanced)
{
    glMatrixMode(GL_TEXTURE);
    const GlStacks before = GlStacks::capture();
    testWorld.beginOrtho();
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    testWorld.endOrtho();
    GlStacks after = GlStacks::capture();
    EXPECT_EQ(after.matrixMode, GL_MODELVIEW);
    after.matrixMode = before.matrixMode;
    EXPECT_EQ(after, before);
    glMatrixMode(GL_MODELVIEW);
}

TEST_F(WorldDrawing, ViewportSubtractsMarginsAndAspectIsIntegerDivision)
{
    screenWidth = 1024;
    screenHeight = 786;
    testWorld.setViewport(0, 125, 0, 251);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 125);
    EXPECT_EQ(viewport[2], 1024);
    EXPECT_EQ(viewport[3], 535);
    GLfloat projection[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_FLOAT_EQ(projection[0], projection[5]); // aspect 1, not 1024 / 786
    EXPECT_NEAR(projection[5], 1.0 / std::tan(22.5 * std::numbers::pi / 180.0), 1e-5);
    screenWidth = glTestWidth;
    screenHeight = glTestHeight;
}

TEST_F(WorldDrawing, ShadowPassDarkensOnlyStencilMarkedPixels)
{
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 100, 100);
    glClearStencil(1);
    glClear(GL_STENCIL_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    stencilWindowMode = true;
    testWorld.drawShadowPass();
    EXPECT_EQ(readPixel(10, 10), rgb(255, 255, 255));

    stencilWindowMode = false;
    const GlStacks before = GlStacks::capture();
    testWorld.drawShadowPass();
    EXPECT_EQ(GlStacks::capture(), before);
    const Rgba shadowed = readPixel(10, 10);
    EXPECT_NEAR(shadowed[0], 51, 1); // 20 % of white
    EXPECT_NEAR(shadowed[2], 51, 1);
    EXPECT_EQ(readPixel(200, 200), rgb(255, 255, 255));
    EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
}

TEST_F(WorldDrawing, SceneMovesTheLightBehindTheViewer)
{
    World* previous = world;
    world = &testWorld;
    testWorld.setLightPosition(50, 50, 100);
    Scene lights;
    EXPECT_EQ(lightPosition, Vec3(0, 0, -1000));
    world = previous;
}

TEST_F(WorldDrawing, StartPictureAppearsUprightAndUnmirrored)
{
    // Red top-left quarter, blue bottom-right quarter, grey elsewhere.
    const std::string path = pictures::scratchPath("start.jpg");
    pictures::writeFile(path, pictures::jpegBytes(64, 64, [](int x, int y) {
        if (x < 32 && y < 32)
            return pictures::Rgb(255, 0, 0);
        if (x >= 32 && y >= 32)
            return pictures::Rgb(0, 0, 255);
        return pictures::Rgb(128, 128, 128);
    }));
    testWorld.initBackground(path.c_str(), 1001);
    ASSERT_NE(testWorld.startPictureTexture(), 0u);
    testWorld.drawBackground();
    const Rgba topLeft = readPixel(glTestWidth / 8, glTestHeight * 7 / 8);
    const Rgba bottomRight = readPixel(glTestWidth * 7 / 8, glTestHeight / 8);
    EXPECT_GT(topLeft[0], 230);
    EXPECT_LT(topLeft[2], 30);
    EXPECT_GT(bottomRight[2], 230);
    EXPECT_LT(bottomRight[0], 30);
}

TEST_F(WorldDrawing, UnknownPictureTypeLoadsNothing)
{
    testWorld.initBackground("./data/start.jpg", 1002);
    EXPECT_EQ(testWorld.startPictureTexture(), 0u);
}
