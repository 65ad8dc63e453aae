// The line grid's flight without a rendering context: its banner, its fade and its depth.
#include "effects/blend_mesh.h"

#include "app/log.h"

#include <gtest/gtest.h>

TEST(BlendMesh, LogsItsBannerAndFadesFromItsOpacityOverItsDuration)
{
    Log log(true);
    Log* previous = logger;
    logger = &log;
    BlendMesh grid;
    logger = previous;
    EXPECT_NE(log.text().find("BlendMesh Object."), std::string::npos) << log.text();
    EXPECT_TRUE(grid.done);
    grid.setDuration(100);
    grid.setOpacity(0.4);
    EXPECT_FLOAT_EQ(grid.alphaOfFrame(0), 0.4f);
    EXPECT_FLOAT_EQ(grid.alphaOfFrame(50), 0.2f);
    EXPECT_NEAR(grid.alphaOfFrame(99), 0.004f, 1e-6);
    EXPECT_NEAR(grid.zOfFrame(99), -66.0, 1e-12);
}

TEST(BlendMesh, FlightOfNoFramesIsDoneWithoutDrawing)
{
    BlendMesh grid;
    grid.setDuration(0);
    EXPECT_EQ(grid.alphaOfFrame(0), 0.0f); // not the NaN of 0 / 0
    grid.restart();
    grid.draw(); // returns before any OpenGL call: there is no context here
    EXPECT_TRUE(grid.done);
    EXPECT_EQ(grid.frame, 0);
}
