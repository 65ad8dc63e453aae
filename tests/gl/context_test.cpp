#include "tests/gl/gl_context.h"

#include "platform/gl.h"
#include <gtest/gtest.h>

#include <vector>

TEST(HeadlessContext, HasDepthAndStencilBits)
{
    GLint depthBits = 0, stencilBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    EXPECT_GE(depthBits, 16);
    EXPECT_GE(stencilBits, 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(HeadlessContext, ClearsAndReadsBackTheVisibleRegion)
{
    glViewport(0, 0, glTestWidth, glTestHeight);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // A green square in the lower-left corner shows which way up the frame is read.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 10, 10);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    os::swapBuffers(glTestWindow);

    std::vector<uint8_t> rgba;
    int width = 0, height = 0;
    ASSERT_TRUE(os::readFrame(glTestWindow, rgba, width, height));
    ASSERT_EQ(width, glTestWidth);
    ASSERT_EQ(height, glTestHeight);
    auto pixel = [&](int x, int y) { return &rgba[(size_t(y) * width + x) * 4]; };
    EXPECT_EQ(pixel(0, 0)[1], 255);   // bottom row first: the green corner
    EXPECT_EQ(pixel(0, 0)[0], 0);
    EXPECT_EQ(pixel(319, 239)[0], 255);
    EXPECT_EQ(pixel(319, 239)[1], 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(HeadlessContext, SmallWindowsStillHaveA512SquareToCopyFrom)
{
    GLint viewport[4] = {};
    glViewport(0, 0, 512, 512);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    uint8_t corner[4] = {};
    glReadPixels(511, 511, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
    EXPECT_EQ(corner[2], 255);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
