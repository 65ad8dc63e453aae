// The metaballs on the headless context: sphere-mapped blobs where the balls stand and
// background elsewhere, white lines in the wireframe mode, the state a draw leaves, and the
// environment map's loading and its error box.
#include "effects/metaballs.h"

#include "app/settings_dialog.h"
#include "assets/utility.h"
#include "platform/os.h"
#include "tests/gl/gl_context.h"
#include "tests/gl/gl_state.h"
#include "tests/unit/picture_files.h"
#include "world/world.h"

#include "platform/gl.h"
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

const pictures::Rgb envColour{40, 200, 90};

// The window pixel of (x, y, 0) in the metaballs' frame, under the 45-degree projection.
void project(double x, double y, int& windowX, int& windowY)
{
    double model[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -3, 1};
    double projection[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    double wx, wy, wz;
    gluProject(x, y, 0, model, projection, viewport, &wx, &wy, &wz);
    windowX = int(wx);
    windowY = int(wy);
}

Rgba pixelAt(double x, double y)
{
    int wx, wy;
    project(x, y, wx, wy);
    return readPixel(wx, wy);
}

// Opens the default viewport of the test window on black.
void clearToBlack()
{
    screenWidth = glTestWidth;
    screenHeight = glTestHeight;
    World().setDefaultViewport();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 1, 1);
    glDisable(GL_TEXTURE_2D);
}

std::string writeEnvPicture(const std::string& name, bool bmp)
{
    auto flat = [](int, int) { return envColour; };
    const std::string path = pictures::scratchPath(name);
    pictures::writeFile(path, bmp ? pictures::bmpBytes(64, 64, flat) : pictures::jpegBytes(64, 64, flat));
    return path;
}

} // namespace

TEST(MetaballsGl, EnvMappedBlobsStandWhereTheBallsAre)
{
    auto balls = std::make_unique<Metaballs>();
    ASSERT_TRUE(balls->loadEnvMap(writeEnvPicture("env.jpg", false).c_str(), jpgFileType));
    EXPECT_NE(balls->envTexture, 0u);
    clearToBlack();
    glMatrixMode(GL_PROJECTION); // the draw must put the caller's matrix mode back
    const GlStacks before = GlStacks::capture();
    balls->draw(0, Metaballs::envMappedMode);
    EXPECT_EQ(GlStacks::capture(), before);
    glMatrixMode(GL_MODELVIEW);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    // Frame 0: balls at (0, 0.3), (0.3, 0) and the pair at (0.3, 0.3); each is drawn in the
    // environment map's colour.
    for (const auto& [x, y] : {std::pair{0.0, 0.3}, {0.3, 0.0}, {0.3, 0.3}}) {
        const Rgba p = pixelAt(x, y);
        EXPECT_NEAR(p[0], envColour.r, 12) << x << ", " << y;
        EXPECT_NEAR(p[1], envColour.g, 12) << x << ", " << y;
        EXPECT_NEAR(p[2], envColour.b, 12) << x << ", " << y;
    }
    for (const auto& [x, y] : {std::pair{-0.6, -0.6}, {0.8, -0.6}, {-0.7, 0.7}, {0.0, -0.3}})
        EXPECT_EQ(pixelAt(x, y), (Rgba{0, 0, 0, 0})) << x << ", " << y;

    // Fifty ticks on ball 1 has gone round to (0.3 cos 10/3, 0.3 sin 10/3).
    clearToBlack();
    balls->draw(50, Metaballs::envMappedMode);
    EXPECT_GT(pixelAt(0.3 * std::cos(10.0 / 3), 0.3 * std::sin(10.0 / 3))[1], 150);
    EXPECT_EQ(pixelAt(0.3, 0.0), (Rgba{0, 0, 0, 0}));
}

TEST(MetaballsGl, WireframeModeDrawsWhiteLinesAndOtherModesNothing)
{
    auto balls = std::make_unique<Metaballs>();
    clearToBlack();
    balls->draw(0, Metaballs::wireframeMode);
    std::vector<uint8_t> frame(glTestWidth * glTestHeight * 4);
    glReadPixels(0, 0, glTestWidth, glTestHeight, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
    int white = 0, other = 0;
    for (size_t p = 0; p < frame.size(); p += 4) {
        if (frame[p] == 255 && frame[p + 1] == 255 && frame[p + 2] == 255)
            ++white;
        else if (frame[p] || frame[p + 1] || frame[p + 2])
            ++other;
    }
    EXPECT_GT(white, 200);
    EXPECT_EQ(other, 0);
    // Lines, not filled blobs: the middle of ball 1 stays mostly dark.
    int wx, wy;
    project(0.3, 0.0, wx, wy);
    int lit = 0;
    for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx)
            lit += readPixel(wx + dx, wy + dy)[0] != 0;
    EXPECT_LT(lit, 30);

    clearToBlack();
    const GlStacks before = GlStacks::capture();
    balls->draw(0, 7);
    EXPECT_EQ(GlStacks::capture(), before);
    EXPECT_EQ(pixelAt(0.3, 0.0), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(MetaballsGl, EnvMapLoadsBmpOrJpegAndShowsItsOwnBoxWhenMissing)
{
    auto balls = std::make_unique<Metaballs>();
    std::vector<std::pair<std::string, std::string>> boxes;
    std::vector<unsigned> flags;
    os::setMessageBoxHook([&](const std::string& text, const std::string& caption, unsigned f) {
        boxes.push_back({text, caption});
        flags.push_back(f);
        return os::IDOK;
    });
    testing::internal::CaptureStdout();
    EXPECT_TRUE(balls->loadEnvMap(writeEnvPicture("env.bmp", true).c_str(), bmpFileType));
    const GLuint loaded = balls->envTexture;
    EXPECT_NE(loaded, 0u);
    EXPECT_TRUE(boxes.empty());

    EXPECT_FALSE(balls->loadEnvMap("/nonexistent/tunnel2.jpg", jpgFileType));
    EXPECT_FALSE(balls->loadEnvMap("/nonexistent/tunnel2.jpg", 1002)); // unknown type: nothing
    testing::internal::GetCapturedStdout();
    os::setMessageBoxHook(nullptr);

    EXPECT_EQ(balls->envTexture, loaded);
    ASSERT_EQ(boxes.size(), 2u); // the loader's own, then the effect's
    EXPECT_EQ(boxes[1].first, "Couldn't load metaball env map!");
    EXPECT_EQ(boxes[1].second, "LOAD ERROR");
    EXPECT_EQ(flags[1], os::MB_OK | os::MB_ICONINFORMATION);
}
