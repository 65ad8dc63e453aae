#include "app/settings_dialog.h"
#include "effects/copy2texture.h"
#include "effects/texture_feedback.h"
#include "platform/os.h"
#include "tests/gl/gl_context.h"
#include "tests/gl/gl_state.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <vector>

namespace {

constexpr int square = Copy2Texture::captureSize;

// A grey (or coloured) rectangle given in pixels of the capture square, drawn untextured.
void drawRect(float r, float g, float b, int x0, int y0, int x1, int y1)
{
    AttribScope attributes;
    if (arb::glActiveTextureARB)
        arb::glActiveTextureARB(GL_TEXTURE0_ARB); // grab leaves unit 0 textured
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    world->beginOrtho();
    auto ndc = [](int pixel) { return pixel * 2.0f / square - 1.0f; };
    glColor4f(r, g, b, 1);
    glRectf(ndc(x0), ndc(y0), ndc(x1), ndc(y1));
    world->endOrtho();
}

void drawFull(float grey) { drawRect(grey, grey, grey, 0, 0, square, square); }

// One trail frame as the scenes run it: the frame's clear, the capture, the blend.
void trailFrame(TextureFeedback& trail, const std::function<void()>& content)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    trail.beginCapture();
    content();
    trail.endCapture();
    trail.feedbackStep();
}

std::vector<uint8_t> texels(const Copy2Texture& texture)
{
    AttribScope binding(GL_TEXTURE_BIT);
    std::vector<uint8_t> rgba(size_t(square) * square * 4);
    glBindTexture(GL_TEXTURE_2D, texture.textureName());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

int red(const std::vector<uint8_t>& rgba, int x, int y) { return rgba[(size_t(y) * square + x) * 4]; }

// Colour only: the trail's alpha is the product of the blended alphas, not a picture.
using Rgb = std::array<int, 3>;
Rgb rgbAt(int x, int y)
{
    const Rgba p = readPixel(x, y);
    return {p[0], p[1], p[2]};
}

// The centre of the window shows the trail's uniform grey after feedbackStep.
int centre() { return readPixel(screenWidth / 2, screenHeight / 2)[0]; }

class Trails : public ::testing::Test {
protected:
    void SetUp() override
    {
        screenWidth = glTestWidth;
        screenHeight = glTestHeight;
        previousWorld = world;
        world = &testWorld;
        testWorld.loadMultitexture();
        testWorld.setDefaultViewport();
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    }
    void TearDown() override
    {
        world = previousWorld;
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
    World testWorld;
    World* previousWorld = nullptr;
};

} // namespace

TEST_F(Trails, BrightFrameFadesByPersistenceEveryBlackFrame)
{
    TextureFeedback trail;
    trail.setPersistence(0.85);
    trailFrame(trail, [] { drawFull(1); });
    int value = centre();
    EXPECT_NEAR(value, 0.15 * 255, 1); // the new frame enters at 1 - persistence
    for (int n = 1; n <= 12; ++n) {
        trailFrame(trail, [] {});
        const int next = centre();
        EXPECT_NEAR(next, 0.85 * value, 1) << "frame " << n;             // one rounding per step
        EXPECT_NEAR(next, 0.15 * 255 * std::pow(0.85, n), 4) << "frame " << n; // 0.5 / 0.15 at most
        value = next;
    }
    EXPECT_GT(value, 0);
}

TEST_F(Trails, PersistenceZeroShowsTheNewestCaptureAndOneFreezesTheTrail)
{
    TextureFeedback trail;
    trail.setPersistence(0);
    trailFrame(trail, [] { drawRect(1, 0, 0, 0, 0, square, square); });
    EXPECT_EQ(rgbAt(10, 10), (Rgb{255, 0, 0}));
    trailFrame(trail, [] { drawRect(0, 1, 0, 0, 0, square, square); });
    EXPECT_EQ(rgbAt(10, 10), (Rgb{0, 255, 0}));

    trail.setPersistence(0.5);
    trailFrame(trail, [] { drawFull(1); });
    const Rgb mixed = rgbAt(10, 10);
    EXPECT_NEAR(mixed[0], 128, 1);
    EXPECT_EQ(mixed[1], 255);

    trail.setPersistence(1);
    const std::vector<uint8_t> frozen = texels(trail.feedbackTexture());
    for (int frame = 0; frame < 5; ++frame)
        trailFrame(trail, [] { drawRect(0, 0, 1, 0, 0, square, square); });
    EXPECT_EQ(rgbAt(10, 10), mixed);
    const std::vector<uint8_t> after = texels(trail.feedbackTexture());
    for (size_t i = 0; i < after.size(); i += 4) // colour frozen (the alpha keeps its own product)
        ASSERT_TRUE(after[i] == frozen[i] && after[i + 1] == frozen[i + 1] && after[i + 2] == frozen[i + 2])
            << "texel " << i / 4;
}

TEST_F(Trails, MovingBandLeavesATrailDimmingWithAgeAndDrawResultBrightensIt)
{
    TextureFeedback trail;
    trail.setPersistence(0.5);
    static constexpr int bands[4] = {0, 170, 340, square};
    for (int k = 0; k < 3; ++k)
        trailFrame(trail, [&] { drawRect(1, 1, 1, bands[k], 0, bands[k + 1], square); });
    // Window x of each band's centre: the square is shown over the whole window.
    auto windowX = [](int k) { return (bands[k] + bands[k + 1]) / 2 * glTestWidth / square; };
    const int expected[3] = {32, 64, 128}; // two, one and no frames old
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(readPixel(windowX(k), glTestHeight / 2)[0], expected[k], 2) << "band " << k;
        EXPECT_NEAR(readPixel(windowX(k), 5)[0], expected[k], 2) << "band " << k;
    }
    // Over the trail already on screen the (GL_ONE, GL_DST_COLOR) blend gives v + v * v.
    testWorld.setDefaultViewport();
    trail.drawResult();
    EXPECT_NEAR(readPixel(windowX(2), glTestHeight / 2)[0], 128 + 128 * 128 / 255, 2);
    EXPECT_NEAR(readPixel(windowX(0), glTestHeight / 2)[0], 32 + 32 * 32 / 255, 2);
    // Onto black it is the trail itself (stretched upward, so columns keep their values).
    glClear(GL_COLOR_BUFFER_BIT);
    trail.drawResult();
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(readPixel(windowX(k), glTestHeight / 3)[0], expected[k], 2) << "band " << k;
}

TEST_F(Trails, DrawResultBeforeAnyCaptureShowsTheBlackInitialImage)
{
    TextureFeedback trail;
    const std::vector<uint8_t> initial = texels(trail.feedbackTexture());
    EXPECT_TRUE(std::all_of(initial.begin(), initial.end(), [](uint8_t v) { return v == 0; }));
    trail.drawResult();
    std::vector<uint8_t> frame(size_t(glTestWidth) * glTestHeight * 4);
    glReadPixels(0, 0, glTestWidth, glTestHeight, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
    EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](uint8_t v) { return v == 0; }));
}

TEST_F(Trails, GrabClearsEveryBufferWhateverScissorAndWriteMasksAreLeft)
{
    Copy2Texture copy;
    glViewport(0, 0, 50, 50);
    glClearColor(1, 1, 1, 1);
    glClearStencil(7);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glClearStencil(0);
    glClearDepth(0.25);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 10, 10);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDepthMask(GL_FALSE);
    glStencilMask(0);
    copy.grab();

    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], glTestWidth);
    EXPECT_EQ(viewport[3], glTestHeight);
    GLboolean depthWrites = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(depthWrites, GL_FALSE); // the caller's masks and scissor come back
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(~0u);
    glClearDepth(1);

    for (const auto& [x, y] : {std::pair{5, 5}, std::pair{200, 200}, std::pair{450, 450}}) {
        EXPECT_EQ(readPixel(x, y), (Rgba{0, 0, 0, 0})) << x << "," << y; // beyond the window too
        GLubyte stencil = 9;
        GLfloat depth = 0;
        glReadPixels(x, y, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &stencil);
        glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        EXPECT_EQ(stencil, 0);
        EXPECT_NEAR(depth, 0.25, 1e-3);
    }
    const std::vector<uint8_t> copied = texels(copy);
    EXPECT_EQ(red(copied, 5, 5), 255);
    EXPECT_EQ(red(copied, 450, 450), 255);
}

TEST_F(Trails, TrailFrameLeavesStacksAndTheActiveUnitAsFound)
{
    ASSERT_NE(arb::glActiveTextureARB, nullptr);
    TextureFeedback trail;
    arb::glActiveTextureARB(GL_TEXTURE1_ARB);
    auto activeUnit = [] {
        GLint unit = 0;
        glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &unit);
        return unit;
    };
    auto envMode = [](GLenum unit) {
        GLint mode = 0;
        arb::glActiveTextureARB(unit);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
        const bool textured = glIsEnabled(GL_TEXTURE_2D);
        arb::glActiveTextureARB(GL_TEXTURE1_ARB);
        return std::pair{mode, textured};
    };
    const GlStacks before = GlStacks::capture();
    const std::function<void()> steps[] = {
        [&] { trail.beginCapture(); },
        [&] { trail.endCapture(); },
        [&] { trail.feedbackStep(); },
        [&] { trail.drawResult(); },
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        const auto unit1 = envMode(GL_TEXTURE1_ARB), unit2 = envMode(GL_TEXTURE2_ARB);
        steps[i]();
        EXPECT_EQ(GlStacks::capture(), before) << "step " << i;
        EXPECT_EQ(activeUnit(), GL_TEXTURE1_ARB) << "step " << i;
        EXPECT_EQ(envMode(GL_TEXTURE1_ARB), unit1) << "step " << i;
        EXPECT_EQ(envMode(GL_TEXTURE2_ARB), unit2) << "step " << i;
    }
    Copy2Texture copy;
    copy.drawOverlayUnit2();
    EXPECT_EQ(GlStacks::capture(), before);
    EXPECT_EQ(activeUnit(), GL_TEXTURE1_ARB);
    arb::glActiveTextureARB(GL_TEXTURE0_ARB);
    copy.drawOverlay(0.1f, 0.5f, 1.0f);
    EXPECT_EQ(GlStacks::capture(), before);
    EXPECT_EQ(activeUnit(), GL_TEXTURE0_ARB);
}

TEST_F(Trails, BlendIsTheSameWithoutMultitextureAndDespiteStateLeftOn)
{
    auto run = [&](bool multitexture, bool callerStateOn) {
        const auto activeTexture = arb::glActiveTextureARB;
        const auto multiTexCoord = arb::glMultiTexCoord2fARB;
        if (!multitexture)
            arb::glActiveTextureARB = nullptr, arb::glMultiTexCoord2fARB = nullptr;
        TextureFeedback trail;
        trail.setPersistence(0.7);
        std::vector<int> values;
        for (int frame = 0; frame < 4; ++frame) {
            AttribScope attributes;
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            trail.beginCapture();
            drawFull(frame % 2 ? 0.3f : 1.0f);
            trail.endCapture();
            if (callerStateOn) { // blending, a failing depth test, fog and texgen: all left on
                glEnable(GL_BLEND);
                glBlendFunc(GL_DST_COLOR, GL_ZERO);
                glEnable(GL_DEPTH_TEST);
                glDepthFunc(GL_NEVER);
                glEnable(GL_FOG);
                glFogi(GL_FOG_MODE, GL_LINEAR);
                glFogf(GL_FOG_START, -1);
                glFogf(GL_FOG_END, -0.5f);
                glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
                glEnable(GL_TEXTURE_GEN_S);
            }
            trail.feedbackStep();
            values.push_back(centre());
        }
        arb::glActiveTextureARB = activeTexture;
        arb::glMultiTexCoord2fARB = multiTexCoord;
        return values;
    };
    const std::vector<int> reference = run(true, false);
    EXPECT_NEAR(reference[0], 0.3 * 255, 1);
    const std::vector<int> twoPasses = run(false, false);
    for (size_t i = 0; i < reference.size(); ++i)
        EXPECT_NEAR(twoPasses[i], reference[i], 2) << "frame " << i;
    EXPECT_EQ(run(true, true), reference);
}

namespace {

// Makes the drawing surface stand for a window of the given size, as the platform layer does for
// the demo's window, and gives the shared test window its own back afterwards. The headless
// layer has one context and one surface: a second window's context replaces the surface.
class WindowOfSize {
public:
    WindowOfSize(int width, int height)
    {
        if (width != glTestWidth || height != glTestHeight) {
            window = os::createWindow("trails", 0, 0, width, height, false, nullptr);
            ready = window && os::createContext(window);
        }
        screenWidth = width;
        screenHeight = height;
    }
    ~WindowOfSize()
    {
        if (window) {
            os::createContext(glTestWindow);
            os::destroyWindow(window);
        }
        screenWidth = glTestWidth;
        screenHeight = glTestHeight;
    }
    bool ready = true;

private:
    os::Window* window = nullptr;
};

class TrailsInSmallWindows : public Trails, public ::testing::WithParamInterface<std::pair<int, int>> {};

} // namespace

TEST_P(TrailsInSmallWindows, CaptureAndTrailHoldOnlyWhatWasDrawnBeyondTheWindow)
{
    const auto [width, height] = GetParam();
    WindowOfSize size(width, height);
    ASSERT_TRUE(size.ready);
    TextureFeedback trail;
    trail.setPersistence(0.5);
    // Leftovers beyond the window: the whole surface red, then a frame clear that a scissor box
    // left on keeps to the visible window.
    glDisable(GL_SCISSOR_TEST);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, width, height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    // A rectangle across the window's top edge (and its right edge where it is narrower).
    const int x0 = 200, x1 = 400, y0 = height - 40, y1 = std::min(height + 20, square);
    trail.beginCapture();
    drawRect(1, 1, 1, x0, y0, x1, y1);
    trail.endCapture();
    trail.feedbackStep();

    auto inside = [&](int x, int y) { return x >= x0 && x < x1 && y >= y0 && y < y1; };
    const std::vector<uint8_t> captured = texels(trail.captureTexture());
    const std::vector<uint8_t> trailImage = texels(trail.feedbackTexture());
    int wrong = 0;
    for (int y = 0; y < square; ++y)
        for (int x = 0; x < square; ++x) {
            const size_t i = (size_t(y) * square + x) * 4;
            const bool in = inside(x, y);
            if (captured[i] != (in ? 255 : 0) || captured[i + 1] != captured[i] || captured[i + 2] != captured[i])
                ++wrong;
            if (std::abs(trailImage[i] - (in ? 128 : 0)) > 1 || trailImage[i + 1] != trailImage[i])
                ++wrong;
        }
    EXPECT_EQ(wrong, 0);
    // The window shows the square scaled to it: the rectangle's visible part and black elsewhere.
    EXPECT_NEAR(readPixel(300 * width / square, (height - 30) * height / square)[0], 128, 2);
    EXPECT_EQ(rgbAt(width / 10, height / 10), (Rgb{0, 0, 0}));
    EXPECT_EQ(rgbAt(width - 2, 2), (Rgb{0, 0, 0}));
    EXPECT_EQ(rgbAt(width - 2, height - 2), (Rgb{0, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(SettingsSizes, TrailsInSmallWindows,
                         ::testing::Values(std::pair{320, 240}, std::pair{640, 480}),
                         [](const auto& info) {
                             return std::to_string(info.param.first) + "x" + std::to_string(info.param.second);
                         });
