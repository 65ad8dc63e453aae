// Cost of one trail frame at 800x600 on the headless context: the capture of a simple scene
// (a few flat quads), the two-unit blend with its two frame-to-texture copies, and the result
// overlay. Each frame ends with glFinish so the figure is the renderer's whole work. Prints the
// mean and the best frame time, and the same frame without the trail for comparison.
#include "app/settings_dialog.h"
#include "effects/texture_feedback.h"
#include "platform/os.h"
#include "world/world.h"

#include "platform/gl.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int benchWidth = 800;
constexpr int benchHeight = 600;
constexpr int warmUpFrames = 20;
constexpr int timedFrames = 200;

// A few flat quads circling, standing in for a scene.
void drawScene(int frame)
{
    glDisable(GL_TEXTURE_2D);
    world->beginOrtho();
    for (int k = 0; k < 8; ++k) {
        const double angle = frame * 0.05 + k * 0.785;
        const float x = float(0.6 * std::cos(angle)), y = float(0.6 * std::sin(angle));
        glColor3f(0.3f + 0.08f * k, 0.5f, 1.0f - 0.1f * k);
        glRectf(x - 0.1f, y - 0.1f, x + 0.1f, y + 0.1f);
    }
    world->endOrtho();
}

struct Timing {
    double meanMs = 0, bestMs = 0;
};

Timing time(const std::function<void(int)>& frame)
{
    for (int i = 0; i < warmUpFrames; ++i)
        frame(i);
    glFinish();
    double totalMs = 0, bestMs = 1e9;
    for (int i = 0; i < timedFrames; ++i) {
        const auto start = std::chrono::steady_clock::now();
        frame(i);
        glFinish();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        totalMs += ms;
        bestMs = std::min(bestMs, ms);
    }
    return {totalMs / timedFrames, bestMs};
}

} // namespace

int main()
{
    os::selectBackend(os::Backend::Headless);
    screenWidth = benchWidth;
    screenHeight = benchHeight;
    os::Window* window = os::createWindow("trails bench", 0, 0, benchWidth, benchHeight, false, nullptr);
    if (!window || !os::createContext(window) || !os::makeCurrent(window, true)) {
        std::fprintf(stderr, "trails_bench: no headless context\n");
        return 1;
    }
    world = new World();
    world->loadMultitexture();
    world->setDefaultViewport();
    TextureFeedback trail;
    trail.setPersistence(0.85);

    const Timing plain = time([](int frame) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        world->setDefaultViewport();
        drawScene(frame);
    });
    const Timing trails = time([&](int frame) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        trail.beginCapture();
        drawScene(frame);
        trail.endCapture();
        trail.feedbackStep();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        world->setDefaultViewport();
        trail.drawResult();
    });
    std::printf("%dx%d, %d frames each (%s)\n", benchWidth, benchHeight, timedFrames,
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    std::printf("scene alone         mean %7.3f ms   best %7.3f ms\n", plain.meanMs, plain.bestMs);
    std::printf("trail frame         mean %7.3f ms   best %7.3f ms\n", trails.meanMs, trails.bestMs);
    std::printf("trail's own cost    mean %7.3f ms\n", trails.meanMs - plain.meanMs);
    delete world;
    world = nullptr;
    os::deleteContext(window);
    os::destroyWindow(window);
    return 0;
}
