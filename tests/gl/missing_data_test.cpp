// The director on a data folder with nothing in it: every loader reports its file through the
// message box and the show goes on, each scene drawing what it can without a GL error, and the
// camera switch of the landscape scenes keeps the start-up camera it replaces, exactly once.
#include "app/log.h"
#include "app/settings_dialog.h"
#include "app/window.h"
#include "director/demo.h"
#include "director/timetable.h"
#include "platform/files.h"
#include "platform/os.h"
#include "tests/gl/gl_context.h"
#include "tests/gl/gl_state.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

class EmptyDataFolder : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder() = std::filesystem::temp_directory_path() / ("talvoren-no-data-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder());
        os::setDataFolder(folder().string());
        os::setMessageBoxHook([](const std::string& text, const std::string&, unsigned) {
            boxes().push_back(text);
            return os::IDOK;
        });
        // A disabled log, as a normal run has: some loaders report only through it.
        if (!logger) {
            ownLog() = std::make_unique<Log>(false);
            logger = ownLog().get();
        }
        windowHandle = glTestWindow;
        screenWidth = glTestWidth;
        screenHeight = glTestHeight;
        if (!world)
            world = new World();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        // A start-up camera of this suite's own: the switch to the ball camera hands it to the
        // director. Any earlier one belongs to another suite's director.
        currentCamera = new Camera();
        director() = std::make_unique<Demo>();
    }
    static void TearDownTestSuite()
    {
        if (director() && currentCamera == director()->ballCamera.get())
            currentCamera = nullptr; // the ball camera goes with this director
        director().reset();
        if (ownLog()) {
            logger = nullptr;
            ownLog().reset();
        }
        os::setMessageBoxHook(nullptr);
        os::setDataFolder("./data");
        std::filesystem::remove_all(folder());
    }

    static bool boxNamed(const std::string& text)
    {
        return std::find(boxes().begin(), boxes().end(), text) != boxes().end();
    }

    static std::filesystem::path& folder()
    {
        static std::filesystem::path f;
        return f;
    }
    static std::unique_ptr<Log>& ownLog()
    {
        static std::unique_ptr<Log> l;
        return l;
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

TEST_F(EmptyDataFolder, EveryLoaderNamesItsFileInABox)
{
    for (const char* text : {"ERROR! Failed to load ./data/star.jpg !", "ERROR! Failed to load ./data/light.jpg !",
                             "ERROR! Failed to load ./data/radial.jpg !", "Can't load file: ./data/200x100.jpg",
                             "Loading ./data/talv1b.3ds in Object failed", "Loading ./data/greet1.3ds in Object failed",
                             "Loading ./data/space.3ds in Object failed", "ERROR! Failed to load ./data/tex1.jpg !",
                             "ERROR! Failed to load ./data/intro1.jpg !", "Error loading text from ./data/text.txt"})
        EXPECT_TRUE(boxNamed(text)) << text;
}

TEST_F(EmptyDataFolder, TheWholeTimetableDrawsEverySceneWithoutAGlErrorAndLeavesTheStacks)
{
    Demo& d = *director();
    std::vector<timetable::TimedEvent> events = timetable::sceneEvents();
    std::stable_sort(events.begin(), events.end(), [](const auto& a, const auto& b) { return a.timeMs < b.timeMs; });
    while (glGetError() != GL_NO_ERROR) {
    }
    std::vector<int> drawn;
    for (const timetable::TimedEvent& event : events) {
        if (event.id == 696969)
            continue;
        demoTime = float(event.timeMs * 0.001);
        d.onEvent(event.id);
        glPushAttrib(GL_ALL_ATTRIB_BITS); // the bands leave their line width and viewport set
        const GlStacks before = GlStacks::capture();
        // A few frames, so effects that step or fade per frame get past their first.
        for (int frame = 0; frame < 3; ++frame) {
            ++ticks;
            demoTime += 0.016f;
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
            d.render();
        }
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "scene " << d.scene << " after event " << event.id;
        EXPECT_EQ(GlStacks::capture(), before) << "scene " << d.scene;
        glPopAttrib();
        if (drawn.empty() || drawn.back() != d.scene)
            drawn.push_back(d.scene);
    }
    EXPECT_EQ(drawn.back(), 666);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

TEST_F(EmptyDataFolder, TheBallCameraTakesOverOnceAndKeepsFlying)
{
    Demo& d = *director();
    // This test's own start-up camera replaces the suite's, which nothing else would free.
    if (currentCamera != d.ballCamera.get())
        delete currentCamera;
    Camera* const startup = new Camera(); // as preInit makes it
    currentCamera = startup;
    d.onEvent(2001);
    ASSERT_EQ(currentCamera, d.ballCamera.get());
    EXPECT_EQ(d.startupCamera.get(), startup); // kept, not lost
    d.onEvent(2001); // again: the ball camera stays and is never kept as the start-up one
    ASSERT_EQ(currentCamera, d.ballCamera.get());
    EXPECT_EQ(d.startupCamera.get(), startup);
    // Without its path the camera stays where it is and still looks through the scene.
    const Vec3 eye = currentCamera->eye;
    EXPECT_FALSE(currentCamera->followPath());
    EXPECT_EQ(currentCamera->eye.z, eye.z);
}
