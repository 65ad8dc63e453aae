#include "app/settings_dialog.h"
#include "geometry/flash.h"
#include "platform/os.h"
#include "tests/gl/gl_context.h"
#include "tests/gl/gl_state.h"
#include "world/world.h"

#include <gtest/gtest.h>

TEST(Flash, RisesFadesAndEndsAfterItsFrames)
{
    screenWidth = glTestWidth;
    screenHeight = glTestHeight;
    World flashWorld;
    World* previous = world;
    world = &flashWorld;
    int boxes = 0;
    os::setMessageBoxHook([&](const std::string&, const std::string&, unsigned) { return ++boxes, os::IDOK; });
    Flash flash; // no white.jpg here: the quad is drawn in plain white
    os::setMessageBoxHook(nullptr);
    EXPECT_EQ(boxes, 1);
    flashWorld.setDefaultViewport();

    EXPECT_DOUBLE_EQ(flash.alphaOfFrame(1), 0.024);
    EXPECT_NEAR(flash.alphaOfFrame(49), 1.176, 1e-12);
    EXPECT_DOUBLE_EQ(flash.alphaOfFrame(50), 1.0);
    EXPECT_NEAR(flash.alphaOfFrame(99), 0.02, 1e-12);
    EXPECT_EQ(flash.alphaOfFrame(100), 0.0);

    auto drawOnBlack = [&] {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        flash.draw();
        return readPixel(glTestWidth / 2, glTestHeight / 2)[0];
    };
    EXPECT_EQ(drawOnBlack(), 0); // never started: nothing
    flash.start();
    const GlStacks before = GlStacks::capture();
    EXPECT_NEAR(drawOnBlack(), 6, 1); // frame 1: 0.024 of white, added
    EXPECT_EQ(GlStacks::capture(), before);
    for (int frame = 2; frame <= 50; ++frame)
        drawOnBlack();
    for (int frame = 51; frame <= 99; ++frame)
        drawOnBlack();
    EXPECT_FALSE(flash.done);
    EXPECT_EQ(drawOnBlack(), 0); // frame 100 draws nothing
    EXPECT_FALSE(flash.done);
    EXPECT_EQ(drawOnBlack(), 0); // frame 101 ends it
    EXPECT_TRUE(flash.done);
    EXPECT_EQ(flash.frame, 1);
    world = previous;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
