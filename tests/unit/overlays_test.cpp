// The overlays' timing and state without drawing: the ramp's shapes and its event arming, the
// logo strip's depth cycle, the stencil window's corners, the frame lines' opening rules and the
// noise pictures' alternation. The pictures and the model are missing here on purpose; their
// load failures only show (hooked) message boxes.
#include "effects/frame_lines.h"
#include "effects/logo_strip.h"
#include "effects/noise_overlay.h"
#include "effects/ramp.h"
#include "effects/stencil_window.h"

#include "app/settings_dialog.h"
#include "app/startup.h"
#include "app/window.h"
#include "geometry/random.h"
#include "platform/files.h"
#include "platform/os.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// Music time and screen size set per test and put back afterwards; loads look in an empty folder.
class OverlaysTest : public testing::Test {
protected:
    void SetUp() override
    {
        savedTime = demoTime;
        savedWidth = screenWidth;
        savedHeight = screenHeight;
        savedFolder = os::dataFolder();
        os::setDataFolder(testing::TempDir() + "overlays_test_no_data");
        os::setMessageBoxHook([this](const std::string&, const std::string&, unsigned) {
            ++boxes;
            return os::IDOK;
        });
    }
    void TearDown() override
    {
        os::setMessageBoxHook(nullptr);
        os::setDataFolder(savedFolder);
        demoTime = savedTime;
        screenWidth = savedWidth;
        screenHeight = savedHeight;
    }

    int boxes = 0;
    float savedTime = 0;
    int32_t savedWidth = 0, savedHeight = 0;
    std::string savedFolder;
};

} // namespace

TEST_F(OverlaysTest, RampShapesBeforeStartDuringAndAtItsEnds)
{
    Ramp ramp;
    demoTime = 30.0f; // never started: start 0, one second long, long over
    EXPECT_DOUBLE_EQ(ramp.value(Ramp::linearShape), 1.0);
    EXPECT_NEAR(ramp.value(Ramp::sineShape), 0.0015927, 1e-6); // sin(3.14)
    EXPECT_NEAR(ramp.value(Ramp::cosineShape), std::cos(3.14), 1e-12);
    EXPECT_DOUBLE_EQ(ramp.value(7), 1.0);

    ramp.setDuration(5.0);
    ramp.start();
    EXPECT_EQ(ramp.startTime, 30.0);
    EXPECT_EQ(ramp.progress(), 0.0);
    EXPECT_EQ(ramp.value(Ramp::sineShape), 0.0);
    EXPECT_EQ(ramp.value(Ramp::cosineShape), 1.0);
    demoTime = 32.5f;
    EXPECT_DOUBLE_EQ(ramp.progress(), 0.5);
    EXPECT_DOUBLE_EQ(ramp.value(Ramp::sineShape), std::sin(1.57));
    demoTime = 29.0f; // before its start (a clock that went back): clamped at 0
    EXPECT_EQ(ramp.progress(), 0.0);
    demoTime = 60.0f;
    EXPECT_EQ(ramp.progress(), 1.0);

    ramp.setDuration(0.0); // a zero-length ramp is at its end once started, not NaN
    EXPECT_EQ(ramp.progress(), 1.0);
    demoTime = 29.0f;
    EXPECT_EQ(ramp.progress(), 0.0);
}

TEST_F(OverlaysTest, ArmSetsAOneShotTimerOnlyForAPositiveDelay)
{
    os::selectBackend(os::Backend::Headless); // virtual clock: the timer fires at its exact time
    constexpr uintptr_t id = 424242;
    Ramp ramp;
    ramp.offset = -15;
    ramp.arm(id, 15); // delay + offset = 0
    ramp.arm(id, -100);
    EXPECT_FALSE(os::killTimer(windowHandle, id));

    ramp.offset = 20;
    const uint32_t armedAt = os::getTickCount();
    ramp.arm(id, 100);
    os::Message message;
    ASSERT_TRUE(os::peekMessage(message));
    EXPECT_EQ(message.message, uint32_t(os::WM_TIMER));
    EXPECT_EQ(message.wParam, id);
    EXPECT_EQ(message.window, windowHandle);
    EXPECT_EQ(message.lParam, reinterpret_cast<intptr_t>(&onTimer));
    EXPECT_EQ(os::getTickCount() - armedAt, 120u);
    EXPECT_TRUE(os::killTimer(windowHandle, id));
    os::selectBackend(os::Backend::Windowed);
}

TEST(LogoStrip, DepthGrowsGeometricallyRestartsPast1000AndCapsItsLevel)
{
    LogoStrip logo;
    EXPECT_EQ(logo.drift, 0.0005);
    logo.setRates(1.005, 0.01);
    int draws = 0;
    for (; draws < 100; ++draws)
        logo.advance();
    EXPECT_NEAR(logo.depth, 2.0 * (std::pow(1.005, 100) - 1.0), 1e-3);
    EXPECT_FLOAT_EQ(logo.level(), logo.depth * 0.2f); // depth ~1.29: not yet at the cap
    logo.depth = 2.0f;
    EXPECT_FLOAT_EQ(logo.level(), 0.4f);
    logo.depth = 2.6f;
    EXPECT_FLOAT_EQ(logo.level(), 0.5f);

    LogoStrip cycling;
    cycling.setRates(1.005, 0.01);
    int restartAt = 0;
    for (int n = 1; n <= 3000 && restartAt == 0; ++n) {
        const float before = cycling.depth;
        cycling.advance();
        if (cycling.depth < before)
            restartAt = n;
    }
    // 2 (1.005^n - 1) first exceeds 1000 at n = 1247; that step lands on 0.
    EXPECT_NEAR(restartAt, 1247, 1);
    EXPECT_EQ(cycling.depth, 0.0f);
    cycling.advance();
    EXPECT_FLOAT_EQ(cycling.depth, 0.01f); // and the next cycle starts like the first
}

TEST_F(OverlaysTest, StencilWindowMovesTheCentredSquareAndItsCrosshairFollows)
{
    StencilWindow window;
    EXPECT_GE(boxes, 2); // black.jpg and xcircle.3ds are missing here
    auto expectSquareAt = [&](double x, double y) {
        EXPECT_FLOAT_EQ(window.corners[StencilWindow::topLeft].x, float(x - 0.3));
        EXPECT_FLOAT_EQ(window.corners[StencilWindow::topLeft].y, float(y + 0.3));
        EXPECT_FLOAT_EQ(window.corners[StencilWindow::topRight].x, float(x + 0.3));
        EXPECT_FLOAT_EQ(window.corners[StencilWindow::topRight].y, float(y + 0.3));
        EXPECT_FLOAT_EQ(window.corners[StencilWindow::bottomRight].x, float(x + 0.3));
        EXPECT_FLOAT_EQ(window.corners[StencilWindow::bottomRight].y, float(y - 0.3));
        EXPECT_FLOAT_EQ(window.corners[StencilWindow::bottomLeft].x, float(x - 0.3));
        EXPECT_FLOAT_EQ(window.corners[StencilWindow::bottomLeft].y, float(y - 0.3));
        for (const Vec3& corner : window.corners)
            EXPECT_EQ(corner.z, 0.0f);
        EXPECT_NEAR(window.crosshairCentre().x, x, 1e-6);
        EXPECT_NEAR(window.crosshairCentre().y, y, 1e-6);
    };
    expectSquareAt(0, 0);
    window.moveTo(0.4, -0.25);
    expectSquareAt(0.4, -0.25);
    window.moveTo(-0.1, 0.3); // moves from the centre, not from the last place
    expectSquareAt(-0.1, 0.3);
    window.moveTo(0, 0);
    expectSquareAt(0, 0);
}

TEST_F(OverlaysTest, FrameLinesLayoutOneOpensSidewaysThenUpwards)
{
    screenWidth = 800;
    screenHeight = 600;
    FrameLines lines;
    lines.setLayout(1);
    EXPECT_EQ(lines.x, 0);
    EXPECT_EQ(lines.y, 0);
    EXPECT_EQ(lines.widthMargin, 800);
    EXPECT_EQ(lines.heightMargin, 550); // a strip 50 pixels high, no width yet
    lines.advance();
    EXPECT_EQ(lines.widthMargin, 798);
    EXPECT_EQ(lines.heightMargin, 550);
    for (int frame = 2; frame <= 400; ++frame)
        lines.advance();
    EXPECT_EQ(lines.widthMargin, 0);
    EXPECT_EQ(lines.heightMargin, 550); // the frame that reached full width did not grow it
    lines.advance();
    EXPECT_EQ(lines.widthMargin, 0);
    EXPECT_EQ(lines.heightMargin, 549);
    for (int frame = 0; frame < 600; ++frame)
        lines.advance();
    EXPECT_EQ(lines.widthMargin, 0);
    EXPECT_EQ(lines.heightMargin, 0); // stops at the full window

    screenWidth = 801; // an odd width lands below 0: held at 0, the growth upward starts
    lines.setLayout(1);
    for (int frame = 0; frame < 400; ++frame)
        lines.advance();
    EXPECT_EQ(lines.widthMargin, 1);
    lines.advance();
    EXPECT_EQ(lines.widthMargin, 0);
    EXPECT_EQ(lines.heightMargin, 549);

    lines.setLayout(3);
    EXPECT_EQ(lines.x, 100);
    EXPECT_EQ(lines.y, 200);
    EXPECT_EQ(lines.widthMargin, 600);
    EXPECT_EQ(lines.heightMargin, 600);
    lines.advance();
    EXPECT_EQ(lines.heightMargin, 600);
    lines.setLayout(9); // unknown layouts keep the rectangle
    EXPECT_EQ(lines.layout, 9);
    EXPECT_EQ(lines.x, 100);
}

TEST_F(OverlaysTest, FrameLinesLayoutTwoHoldsTheWidthThenWidens)
{
    screenWidth = 800;
    screenHeight = 600;
    FrameLines lines;
    demoTime = 100.0f;
    lines.setLayout(2);
    EXPECT_EQ(lines.layoutStart, 100.0f);
    EXPECT_EQ(lines.x, 240);
    EXPECT_EQ(lines.y, 96);
    EXPECT_EQ(lines.widthMargin, 720);
    EXPECT_EQ(lines.heightMargin, 600);

    const double heightPhase = 1.47 * double(lines.holdTime);
    demoTime = 108.0f; // growing in height only
    lines.advance();
    EXPECT_EQ(lines.heightMargin, int32_t((heightPhase - 8.0) / heightPhase * 600));
    EXPECT_EQ(lines.x, 240);
    EXPECT_EQ(lines.widthMargin, 720);

    demoTime = 116.5f; // still just above 0.32 H
    lines.advance();
    EXPECT_GE(lines.heightMargin, 192);
    EXPECT_EQ(lines.widthMargin, 720);

    demoTime = 100.0f + 16.72f + 1.25f; // halfway through the widening
    lines.advance();
    EXPECT_EQ(lines.heightMargin, 192);
    EXPECT_NEAR(lines.x, 120, 1);
    EXPECT_NEAR(lines.widthMargin, 360, 1);
    EXPECT_EQ(lines.y, 96);

    demoTime = 130.0f; // past the open time: full width, never negative
    lines.advance();
    EXPECT_EQ(lines.heightMargin, 192);
    EXPECT_EQ(lines.x, 0);
    EXPECT_EQ(lines.widthMargin, 0);
}

TEST_F(OverlaysTest, NoisePicturesAlternateStrictlyEverySixDraws)
{
    NoiseOverlay noise;
    ASSERT_EQ(noise.noiseTextures.size(), 2u);
    EXPECT_EQ(boxes, 3);
    crt::srand(1);
    std::vector<int> shown;
    for (int draw = 0; draw < 60; ++draw) {
        noise.choosePicture();
        shown.push_back(noise.current);
        noise.countFrame();
    }
    for (int draw = 0; draw < 60; ++draw)
        EXPECT_EQ(shown[size_t(draw)], (draw / 6) % 2 == 0 ? 1 : 0) << "draw " << draw;
    EXPECT_EQ(noise.frame, 0);

    noise.noiseTextures.resize(1); // one picture: nothing else to switch to, and no endless loop
    noise.current = 0;
    noise.choosePicture();
    EXPECT_EQ(noise.current, 0);

    noise.setLevels(0.35, 0.2);
    EXPECT_EQ(noise.noiseLevel, 0.35f);
    EXPECT_EQ(noise.whiteLevel, 0.2f);
}
