// The overlays on the headless context: the stencil window confines drawing to its square and
// frames it in white, the closing glow multiplies the frame down to black, and the other draws
// leave the attribute and matrix stacks (the texture stack too) as they found them.
#include "app/settings_dialog.h"
#include "effects/closing_glow.h"
#include "effects/frame_lines.h"
#include "effects/logo_strip.h"
#include "effects/noise_overlay.h"
#include "effects/stencil_window.h"
#include "platform/files.h"
#include "platform/os.h"
#include "tests/gl/gl_context.h"
#include "tests/gl/gl_state.h"
#include "tests/unit/picture_files.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

// White, black and two grey noise pictures; no xcircle.3ds (its one box is hooked).
std::string overlayDataFolder()
{
    const std::string folder = ::testing::TempDir() + "talvoren_overlay_data";
    const std::string command = "mkdir -p '" + folder + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    auto plain = [&](const char* name, int grey) {
        pictures::writeFile(folder + "/" + name,
                            pictures::jpegBytes(16, 16, [grey](int, int) { return pictures::Rgb(grey, grey, grey); }));
    };
    plain("white.jpg", 255);
    plain("black.jpg", 0);
    plain("noise7.jpg", 128);
    plain("noise8.jpg", 64);
    return folder;
}

class OverlaysGl : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousFolder = os::dataFolder();
        os::setDataFolder(overlayDataFolder());
        os::setMessageBoxHook([this](const std::string&, const std::string&, unsigned) {
            ++boxes;
            return os::IDOK;
        });
        screenWidth = glTestWidth;
        screenHeight = glTestHeight;
        previousWorld = world;
        world = &overlayWorld;
        overlayWorld.setDefaultViewport();
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    }
    void TearDown() override
    {
        world = previousWorld;
        os::setMessageBoxHook(nullptr);
        os::setDataFolder(previousFolder);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    // An untextured full-window quad in one colour.
    static void fill(float r, float g, float b)
    {
        AttribScope attributes;
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        world->beginOrtho();
        glColor3f(r, g, b);
        glRectf(-1, -1, 1, 1);
        world->endOrtho();
    }

    std::string previousFolder;
    World overlayWorld;
    World* previousWorld = nullptr;
    int boxes = 0;
};

GLfloat currentRed()
{
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    return colour[0];
}

// Window pixel of an overlay coordinate.
int pixelX(double x) { return int((x + 1) / 2 * glTestWidth); }
int pixelY(double y) { return int((y + 1) / 2 * glTestHeight); }

} // namespace

TEST_F(OverlaysGl, StencilWindowConfinesDrawingToItsSquareAndOutlinesItInWhite)
{
    StencilWindow window;
    EXPECT_EQ(boxes, 1); // the model only
    EXPECT_NE(window.texture, 0u);
    window.moveTo(0.4, -0.2); // the square spans x 0.1..0.7, y -0.5..0.1
    fill(1, 0, 0);

    const GlStacks before = GlStacks::capture();
    window.beginMask();
    EXPECT_EQ(GlStacks::capture(), before);
    EXPECT_TRUE(altListCompile);
    EXPECT_TRUE(negativeMode);
    EXPECT_TRUE(stencilWindowMode);
    EXPECT_TRUE(glIsEnabled(GL_STENCIL_TEST));
    EXPECT_EQ(readPixel(pixelX(0.4), pixelY(-0.2)), (Rgba{255, 0, 0, 255})); // the mask drew no colour

    window.fillBlack();
    EXPECT_EQ(GlStacks::capture(), before);
    EXPECT_EQ(readPixel(pixelX(0.3), pixelY(-0.1))[0], 0);
    EXPECT_EQ(readPixel(pixelX(-0.5), pixelY(0.5))[0], 255); // outside: untouched

    fill(0, 1, 0); // a full-window draw lands inside only
    EXPECT_EQ(readPixel(pixelX(0.3), pixelY(-0.1)), (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(readPixel(pixelX(0.05), pixelY(-0.2)), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(readPixel(pixelX(0.75), pixelY(-0.2)), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(readPixel(pixelX(0.4), pixelY(0.15)), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(readPixel(pixelX(0.4), pixelY(-0.55)), (Rgba{255, 0, 0, 255}));

    window.endWithOutline();
    EXPECT_EQ(GlStacks::capture(), before);
    EXPECT_FALSE(altListCompile);
    EXPECT_FALSE(negativeMode);
    EXPECT_FALSE(stencilWindowMode);
    EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));

    // The two-pixel outline along each side, wherever the side falls between pixels.
    auto whiteNear = [](int x, int y, bool alongX) {
        for (int d = -1; d <= 1; ++d) {
            const Rgba p = alongX ? readPixel(x, y + d) : readPixel(x + d, y);
            if (p[0] == 255 && p[1] == 255 && p[2] == 255)
                return true;
        }
        return false;
    };
    EXPECT_TRUE(whiteNear(pixelX(0.4), pixelY(0.1), true));   // top
    EXPECT_TRUE(whiteNear(pixelX(0.4), pixelY(-0.5), true));  // bottom
    EXPECT_TRUE(whiteNear(pixelX(0.1), pixelY(-0.2) + 20, false)); // left, away from the cross
    EXPECT_TRUE(whiteNear(pixelX(0.7), pixelY(-0.2) + 20, false)); // right
    // The crosshair at the window's centre, 0.1 each way, and nothing white beyond its arms.
    EXPECT_TRUE(whiteNear(pixelX(0.45), pixelY(-0.2), true));
    EXPECT_TRUE(whiteNear(pixelX(0.4), pixelY(-0.15), false));
    EXPECT_EQ(readPixel(pixelX(0.55), pixelY(-0.2))[0], 0);
    EXPECT_EQ(readPixel(pixelX(0.55), pixelY(-0.2))[1], 255);

    fill(0, 0, 1); // confinement lifted: the stencil is clear and the test off
    EXPECT_EQ(readPixel(pixelX(-0.5), pixelY(0.5)), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(readPixel(pixelX(0.3), pixelY(-0.1)), (Rgba{0, 0, 255, 255}));
}

TEST_F(OverlaysGl, ClosingGlowKeepsTheFrameAtItsStartAndIsBlackAtTheEnd)
{
    ClosingGlow glow;
    EXPECT_EQ(boxes, 0);
    auto drawOver = [&](float grey) {
        fill(grey, grey, grey);
        const GlStacks before = GlStacks::capture();
        glColor3f(0.7f, 0.7f, 0.7f);
        glow.draw();
        EXPECT_EQ(GlStacks::capture(), before);
        EXPECT_FLOAT_EQ(currentRed(), 0.7f); // the caller's colour survives the nested quad
        return readPixel(glTestWidth / 2, glTestHeight / 2)[0];
    };
    demoTime = 50.0f;
    EXPECT_EQ(drawOver(0.8f), 204); // not triggered: nothing drawn
    glow.trigger();
    EXPECT_NEAR(drawOver(0.8f), 204, 2); // r = 0: 2 x 0.5 x frame
    demoTime = 52.5f;
    EXPECT_NEAR(drawOver(0.8f), 102, 2); // r = 0.5: half
    demoTime = 55.0f;
    EXPECT_EQ(drawOver(1.0f), 0); // r = 1: black, even over white
    demoTime = 90.0f;
    EXPECT_EQ(drawOver(1.0f), 0); // and it stays black
    demoTime = 0.0f;
}

TEST_F(OverlaysGl, OtherOverlaysLeaveTheStacksAsTheyFoundThem)
{
    NoiseOverlay noise;
    LogoStrip logo;
    logo.loadTexture("./data/white.jpg");
    FrameLines lines;
    EXPECT_EQ(boxes, 0);
    const GlStacks before = GlStacks::capture();
    for (int draw = 0; draw < 7; ++draw) {
        glColor3f(0.7f, 0.7f, 0.7f);
        noise.draw();
        ASSERT_EQ(GlStacks::capture(), before) << "noise draw " << draw;
        ASSERT_FLOAT_EQ(currentRed(), 0.7f) << "noise draw " << draw;
    }
    // Over mid grey the grain adds itself in proportion (0.2 x the picture's 0.5 or 0.25, blended
    // with its own colour as the factor) and the white pass lifts the result by 1 + 0.5.
    noise.setLevels(0.2, 0.5);
    fill(0.5f, 0.5f, 0.5f);
    noise.draw();
    const int lifted = readPixel(glTestWidth / 2, glTestHeight / 2)[0];
    EXPECT_GE(lifted, 170);
    EXPECT_LE(lifted, 188);

    logo.draw();
    EXPECT_EQ(GlStacks::capture(), before);
    // Layout 3's fixed 600-pixel width margin is wider than this 320-pixel window: the viewport
    // comes out empty rather than with a negative size, which GL would refuse.
    lines.setLayout(3);
    lines.apply();
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 100);
    EXPECT_EQ(viewport[1], 200);
    EXPECT_EQ(viewport[2], 0);
    EXPECT_EQ(viewport[3], 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    lines.drawFrame();
    EXPECT_EQ(GlStacks::capture(), before);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], glTestWidth); // the whole window back
    EXPECT_EQ(viewport[3], glTestHeight);
}
