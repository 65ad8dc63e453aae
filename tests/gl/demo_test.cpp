// The director on the generated data: the letterbox bands, and the event handler's scene state
// driven event by event (beats touch nothing but the pulses, the free-flight toggles, the title
// layers, the order of the scenes through the whole timetable).
#include "app/log.h"
#include "app/settings_dialog.h"
#include "app/window.h"
#include "director/demo.h"
#include "director/timetable.h"
#include "platform/files.h"
#include "platform/os.h"
#include "tests/gl/gl_context.h"
#include "world/world.h"
#include "geometry/mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

bool haveGeneratedData()
{
    FILE* file = std::fopen(TALVOREN_BUILD_DATA "/greet1.3ds", "rb");
    if (file)
        std::fclose(file);
    return file != nullptr;
}

// One director for the whole suite: building it loads every asset (a few seconds).
class DemoEvents : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!haveGeneratedData())
            return;
        os::setDataFolder(TALVOREN_BUILD_DATA);
        os::setMessageBoxHook([](const std::string& text, const std::string&, unsigned) {
            boxes().push_back(text);
            return os::IDOK;
        });
        windowHandle = glTestWindow;
        screenWidth = glTestWidth;
        screenHeight = glTestHeight;
        if (!world)
            world = new World();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        if (!currentCamera)
            currentCamera = new Camera();
        director() = std::make_unique<Demo>();
    }
    static void TearDownTestSuite()
    {
        os::setMessageBoxHook(nullptr);
        os::setDataFolder("./data");
    }
    void SetUp() override
    {
        if (!director())
            GTEST_SKIP() << "no generated data at " << TALVOREN_BUILD_DATA;
    }

    static std::unique_ptr<Demo>& director()
    {
        static std::unique_ptr<Demo> d;
        return d;
    }
    static std::vector<std::string>& boxes()
    {
        static std::vector<std::string> b;
        return b;
    }
};

} // namespace

TEST(ScreenBands, LetterboxViewportsFollowTheWindowSize)
{
    const ScreenBands small = screenBands(800, 600);
    EXPECT_EQ(small.middle, (Viewport{0, 96, 800, 408}));
    EXPECT_EQ(small.top, (Viewport{0, 504, 800, 96}));
    EXPECT_EQ(small.bottom, (Viewport{0, 0, 800, 96}));
    EXPECT_EQ(small.metaballCorner, (Viewport{0, 0, 160, 96}));
    const ScreenBands large = screenBands(1024, 786);
    EXPECT_EQ(large.middle, (Viewport{0, 125, 1024, 535}));
    EXPECT_EQ(large.top, (Viewport{0, 660, 1024, 126}));
    EXPECT_EQ(large.bottom, (Viewport{0, 0, 1024, 126}));
    EXPECT_EQ(large.metaballCorner, (Viewport{0, 0, 205, 126}));
    // The middle band meets the top band exactly.
    EXPECT_EQ(small.middle.bottom + small.middle.height, small.top.bottom);
    EXPECT_EQ(large.middle.bottom + large.middle.height, large.top.bottom);
}

TEST_F(DemoEvents, SetUpLoadsEverythingWithoutABoxAndStartsAtTheFirstScene)
{
    EXPECT_TRUE(boxes().empty()) << boxes().front();
    Demo& d = *director();
    EXPECT_EQ(d.scene, 1);
    EXPECT_EQ(d.logoObject->getPosition().x, 45.0f);
    EXPECT_EQ(radialFinLength, 25.0f);
    EXPECT_GT(d.storyText->length(), 3000);
}

TEST_F(DemoEvents, BeatsAndUnknownIdentifiersLeaveTheSceneState)
{
    Demo& d = *director();
    d.scene = 5;
    d.sceneStart = 3.5f;
    for (uintptr_t id : {5001u, 5002u, 5564u, 5999u, 5000u, 6000u, 4242u}) {
        d.onEvent(id);
        EXPECT_EQ(d.scene, 5) << id;
        EXPECT_EQ(d.sceneStart, 3.5f) << id;
    }
}

TEST_F(DemoEvents, FreeFlightTogglesTwiceAndTitleLayersFollowTheTitleLines)
{
    Demo& d = *director();
    const bool before = d.landscape->freeFlight;
    d.onEvent(2001);
    EXPECT_NE(d.landscape->freeFlight, before);
    EXPECT_EQ(currentCamera, d.ballCamera.get());
    d.onEvent(2002);
    EXPECT_EQ(d.landscape->freeFlight, before);
    EXPECT_EQ(d.scene, 8);
    d.onEvent(7001);
    EXPECT_FALSE(d.titleLayers);
    d.onEvent(7002);
    EXPECT_TRUE(d.titleLayers);
    d.onEvent(7003);
    EXPECT_FALSE(d.titleLayers);
    d.onEvent(7004);
    EXPECT_TRUE(d.titleLayers);
}

TEST_F(DemoEvents, SceneEventsInTimeOrderGiveTheShowsSceneSequence)
{
    Demo& d = *director();
    std::vector<timetable::TimedEvent> events = timetable::sceneEvents();
    std::stable_sort(events.begin(), events.end(),
                     [](const auto& a, const auto& b) { return a.timeMs < b.timeMs; });
    d.scene = 1;
    std::vector<int> scenes;
    for (const timetable::TimedEvent& event : events) {
        if (event.id == 696969)
            continue; // the end of the show: the loop quits, the scene stays
        demoTime = float(event.timeMs * 0.001);
        d.onEvent(event.id);
        if (scenes.empty() || scenes.back() != d.scene)
            scenes.push_back(d.scene);
    }
    const std::vector<int> expected = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                       12, 14, 16, 18, 20, 22, 24, 26, 28, 29, 666};
    EXPECT_EQ(scenes, expected);
    EXPECT_FLOAT_EQ(d.sceneStart, 129.56f);
}

TEST_F(DemoEvents, EveryScenesFrameLightsTheMiddleBandWithoutAGlError)
{
    Demo& d = *director();
    while (glGetError() != GL_NO_ERROR) {
    }
    for (int s : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 20, 28, 29, 666, 31}) {
        d.scene = s;
        demoTime = 130.0f;
        d.sceneStart = 129.5f;
        // A clean frame whatever earlier tests left set, as the frame timer's clear gives.
        glDisable(GL_SCISSOR_TEST);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        glPushAttrib(GL_ALL_ATTRIB_BITS); // the bands leave their line width and viewport set
        d.render();
        glPopAttrib();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "scene " << s;
        // Every scene of the show puts something in the middle band; an unknown one nothing.
        const Viewport middle = screenBands(glTestWidth, glTestHeight).middle;
        std::vector<uint8_t> pixels(size_t(middle.width) * size_t(middle.height) * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(middle.left, middle.bottom, middle.width, middle.height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        size_t lit = 0;
        for (size_t i = 0; i < pixels.size(); i += 4)
            lit += (pixels[i] | pixels[i + 1] | pixels[i + 2]) > 8;
        if (s == 31)
            EXPECT_EQ(lit, 0u) << "scene " << s;
        else
            EXPECT_GT(lit, pixels.size() / 4 / 20) << "scene " << s; // at least 5 % of the band
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
