// The image fluid drawn on the headless context: the one-primitive drawing gives exactly the
// pixels of one primitive per cell, the dye shows the right way up and round with black where
// there is none, and the draw leaves the GL state as it found it.
#include "effects/image_fluid.h"

#include "app/log.h"
#include "platform/os.h"
#include "tests/gl/gl_context.h"
#include "tests/gl/gl_state.h"

#include "platform/gl.h"
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

// The scenes' perspective over the whole test window, identity modelview, cleared to grey.
void openView()
{
    glViewport(0, 0, glTestWidth, glTestHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, double(glTestWidth) / glTestHeight, 0.01, 300);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.2f, 0.2f, 0.2f, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

std::vector<uint8_t> readFrame()
{
    std::vector<uint8_t> frame(size_t(glTestWidth) * glTestHeight * 4);
    glReadPixels(0, 0, glTestWidth, glTestHeight, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
    return frame;
}

// A fluid without a picture (the constructor's missing-file box is swallowed).
std::unique_ptr<ImageFluid> quietFluid()
{
    os::setMessageBoxHook([](const std::string&, const std::string&, unsigned) { return os::IDOK; });
    Log* previous = logger;
    logger = nullptr;
    auto fluid = std::make_unique<ImageFluid>();
    logger = previous;
    os::setMessageBoxHook(nullptr);
    fluid->reset();
    return fluid;
}

double channelColour(double dye)
{
    const double k = std::fabs(dye) >= 0.000005 ? 0.001 / dye : 1.0;
    return 1 - k;
}

// The drawing as first laid out: every cell its own GL_QUADS primitive.
void drawOneQuadPerCell(const ImageFluid& fluid)
{
    glPushAttrib(0xFFFFF);
    glPushMatrix();
    glTranslated(0, 0, -2.25);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    for (int i = 2; i <= 197; ++i) {
        for (int j = 2; j <= 97; ++j) {
            const size_t k = size_t(i + 200 * j);
            glColor3d(channelColour(fluid.dye[ImageFluid::redChannel].current[k]),
                      channelColour(fluid.dye[ImageFluid::greenChannel].current[k]),
                      channelColour(fluid.dye[ImageFluid::blueChannel].current[k]));
            glBegin(GL_QUADS);
            glVertex3d(2.0 / 200 * i - 1, 2.0 / 100 * j - 1, 0);
            glVertex3d(2.0 / 200 * (i + 1) - 1, 2.0 / 100 * j - 1, 0);
            glVertex3d(2.0 / 200 * (i + 1) - 1, 2.0 / 100 * (j + 1) - 1, 0);
            glVertex3d(2.0 / 200 * i - 1, 2.0 / 100 * (j + 1) - 1, 0);
            glEnd();
        }
    }
    glPopMatrix();
    glPopAttrib();
}

// The colour of the window pixel under a point of the fluid's plane.
std::array<int, 3> rgbOf(double x, double y)
{
    const double model[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -2.25, 1};
    double projection[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    double wx, wy, wz;
    gluProject(x, y, 0, model, projection, viewport, &wx, &wy, &wz);
    const Rgba p = readPixel(int(wx), int(wy));
    return {p[0], p[1], p[2]};
}

} // namespace

TEST(ImageFluidGl, OnePrimitiveForAllCellsDrawsTheSamePixelsAsOnePerCell)
{
    auto fluid = quietFluid();
    // Dye of every kind the colours meet: none, too little to show, negative, bright, and the
    // swirls of a few dozen steps.
    for (int c = 0; c < 3; ++c) {
        auto& dye = fluid->dye[size_t(c)].current;
        for (int j = 0; j < 100; ++j)
            for (int i = 0; i < 200; ++i)
                dye[size_t(i + 200 * j)] = 0.008 * std::sin(0.11 * i + 0.23 * j + 2.0 * c) + 0.002 * ((i * 7 + j) % 3);
    }
    for (int s = 0; s < 40; ++s)
        fluid->step();

    openView();
    fluid->draw();
    const std::vector<uint8_t> batched = readFrame();
    openView();
    drawOneQuadPerCell(*fluid);
    const std::vector<uint8_t> perCell = readFrame();
    ASSERT_EQ(batched.size(), perCell.size());
    size_t differing = 0, coloured = 0;
    for (size_t p = 0; p < batched.size(); p += 4) {
        differing += batched[p] != perCell[p] || batched[p + 1] != perCell[p + 1] || batched[p + 2] != perCell[p + 2];
        coloured += batched[p] != batched[p + 1] || batched[p + 1] != batched[p + 2];
    }
    EXPECT_EQ(differing, 0u);
    EXPECT_GT(coloured, size_t(glTestWidth) * glTestHeight / 4); // the frame is no blank
}

TEST(ImageFluidGl, DyeShowsUprightWithBlackWhereThereIsNoneAndStateIsKept)
{
    auto fluid = quietFluid();
    // Twelve pours of a full byte: red top left, green top right, blue bottom left, nothing at
    // the bottom right.
    const double full = 12 * 0.01 * 0.05;
    for (int j = 0; j < 100; ++j) {
        for (int i = 0; i < 200; ++i) {
            const int channel = j >= 50 ? (i < 100 ? ImageFluid::redChannel : ImageFluid::greenChannel)
                                        : (i < 100 ? ImageFluid::blueChannel : -1);
            if (channel >= 0)
                fluid->dye[size_t(channel)].current[size_t(i + 200 * j)] = full;
        }
    }
    openView();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glMatrixMode(GL_TEXTURE); // the draw must put the caller's matrix mode back
    glMatrixMode(GL_MODELVIEW);
    const GlStacks before = GlStacks::capture();
    fluid->draw();
    EXPECT_EQ(GlStacks::capture(), before);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);

    const int bright = 212; // 1 - 0.001 / 0.006 of 255
    using Rgb = std::array<int, 3>;
    EXPECT_EQ(rgbOf(-0.5, 0.5), (Rgb{bright, 0, 0}));
    EXPECT_EQ(rgbOf(0.5, 0.5), (Rgb{0, bright, 0}));
    EXPECT_EQ(rgbOf(-0.5, -0.5), (Rgb{0, 0, bright}));
    EXPECT_EQ(rgbOf(0.5, -0.5), (Rgb{0, 0, 0}));
    // Only cells 2 .. 197 across are drawn: the cleared grey shows beyond them.
    EXPECT_EQ(rgbOf(-0.975, -0.5), (Rgb{0, 0, bright}));
    EXPECT_EQ(rgbOf(-0.99, -0.5), (Rgb{51, 51, 51}));
    EXPECT_EQ(rgbOf(0.975, 0.5), (Rgb{0, bright, 0}));
    EXPECT_EQ(rgbOf(0.995, 0.5), (Rgb{51, 51, 51}));
}
