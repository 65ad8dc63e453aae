// StarGlow on the headless context, with a plain white star picture: its flicker spline, the
// brightness it takes on odd frames and from kicks, the spline starting over, and the way it
// brightens the picture below it without disturbing the scene's state.
#include "effects/star_glow.h"

#include "geometry/random.h"
#include "platform/files.h"
#include "tests/gl/gl_context.h"
#include "tests/gl/gl_state.h"
#include "tests/unit/picture_files.h"

#include "platform/gl.h"
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

std::string whiteStarFolder()
{
    const std::string folder = ::testing::TempDir() + "talvoren_star_data";
    const std::string command = "mkdir -p '" + folder + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    pictures::writeFile(folder + "/star.jpg",
                        pictures::jpegBytes(32, 32, [](int, int) { return pictures::Rgb(255, 255, 255); }));
    return folder;
}

// The rand values draw will take next when the generator is seeded with seed.
int randAfterSeed(unsigned seed)
{
    crt::srand(seed);
    return crt::rand();
}

class StarGlowGl : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousFolder = os::dataFolder();
        os::setDataFolder(whiteStarFolder());
        crt::srand(7);
        glow = std::make_unique<StarGlow>();
        glViewport(0, 0, glTestWidth, glTestHeight);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        gluPerspective(45, double(glTestWidth) / glTestHeight, 0.01, 300);
        glMatrixMode(GL_MODELVIEW);
    }
    void TearDown() override
    {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glViewport(0, 0, glTestWidth, glTestHeight);
        os::setDataFolder(previousFolder);
        crt::srand(1);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
    std::string previousFolder;
    std::unique_ptr<StarGlow> glow;
};

} // namespace

TEST_F(StarGlowGl, TakesFlickerPointsOnOddFramesAndEachKickOnce)
{
    // The spline: 40 values of rand in order, 100 units apart in x.
    ASSERT_EQ(glow->flicker->pointCount(), 40);
    crt::srand(7);
    for (int k = 0; k < 40; ++k) {
        EXPECT_FLOAT_EQ(glow->flicker->point(k).x, 100.0f * (-20 + 10 * k)) << k;
        EXPECT_FLOAT_EQ(glow->flicker->point(k).y, float((crt::rand() % 100) * 0.01)) << k;
    }

    glViewport(0, 0, 8, 8);
    glow->draw(); // frame 0: nothing taken yet
    EXPECT_EQ(glow->brightness, 0.0f);
    glow->draw(); // frame 1: the first step along the spline
    const float first = glow->flicker->evaluate(0, 0.02f).y;
    EXPECT_FLOAT_EQ(glow->brightness, first);

    // A kick on an even frame moves the brightness by rand() % 100 * 0.005 - 0.2, unclamped.
    unsigned seed = 1;
    while (randAfterSeed(seed) % 100 < 90)
        ++seed;
    const int r = randAfterSeed(seed);
    crt::srand(seed);
    glow->brightness = 0.95f;
    glow->kick();
    glow->draw(); // frame 2
    EXPECT_FALSE(glow->kicked);
    EXPECT_FLOAT_EQ(glow->brightness, float(0.95f + (r % 100) * 0.005 - 0.2));
    EXPECT_GT(glow->brightness * 0.5f + 0.45f, 1.0f); // the front copies' alpha leaves 0..1
    const float kickedValue = glow->brightness;
    glow->draw(); // frame 3 (odd): the spline replaces the kick
    EXPECT_NE(glow->brightness, kickedValue);
    EXPECT_FLOAT_EQ(glow->brightness, glow->flicker->evaluate(0, 0.04f).y);
    EXPECT_EQ(glow->frame, 4);
}

TEST_F(StarGlowGl, FlickerStartsOverOnceRunThroughAndKeepsItsBrightnessThatFrame)
{
    glViewport(0, 0, 8, 8); // only the brightness matters here
    glow->draw();
    glow->draw();
    const float first = glow->brightness;
    int steps = 1;
    bool wrapped = false;
    while (!wrapped && steps < 5000) {
        glow->draw(); // even frame
        const float before = glow->brightness;
        glow->draw(); // odd frame
        wrapped = glow->flicker->cursorSegment() == 0 && glow->flicker->cursorFraction() == 0.0f;
        if (wrapped)
            EXPECT_EQ(glow->brightness, before);
        else
            ++steps;
    }
    ASSERT_TRUE(wrapped);
    // 37 segments of about 50 steps of 0.02 each.
    EXPECT_NEAR(steps, 37 * 50, 37);
    glow->draw();
    glow->draw();
    EXPECT_EQ(glow->brightness, first);
}

TEST_F(StarGlowGl, BrightensThePictureBelowByItsAlphasAndLeavesStateAlone)
{
    glClearColor(0.25f, 0.25f, 0.25f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glBlendFunc(GL_ONE, GL_ZERO);
    glLoadIdentity();
    const GlStacks before = GlStacks::capture();
    GLint boundBefore = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundBefore);

    glow->draw(); // frame 0: brightness 0, alphas 0.45, 0.45 and 0.85, no rotation

    EXPECT_EQ(GlStacks::capture(), before);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint source = 0, bound = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(source, GL_ONE);
    EXPECT_EQ(bound, boundBefore);

    // Window position of an eye-space point.
    auto pixelAt = [](double x, double y, double z) {
        GLdouble modelview[16], projection[16];
        GLint viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        GLdouble wx = 0, wy = 0, wz = 0;
        gluProject(x, y, z, modelview, projection, viewport, &wx, &wy, &wz);
        return readPixel(int(wx), int(wy))[0];
    };
    // Each copy multiplies what is below by (1 + alpha): the white star adds dst * 1 * alpha
    // to dst * 1.
    EXPECT_NEAR(pixelAt(0.6, 0.4, -2), 64 * 1.45 * 1.45, 3);          // the two front copies
    EXPECT_NEAR(pixelAt(-0.2, -0.3, -2), 64 * 1.45 * 1.45 * 1.85, 3); // all three
    EXPECT_NEAR(pixelAt(-0.65, -0.5, -2), 64 * 1.85, 3);              // the back copy only
    EXPECT_EQ(pixelAt(-0.9, 0.5, -2), 64);                            // outside them all

    glDisable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 0);
}
