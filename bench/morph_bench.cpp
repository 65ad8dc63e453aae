// Per-frame cost of a morph between two 5,000-triangle objects (two tori of different shape) on
// the headless context. Prints the processor time of Morph::draw three ways: the blend alone,
// the draw in immediate mode as the scenes call it, with the rasteriser's glFinish left out of
// the timing, and the draw compiled into a display list (GL_COMPILE), which on Mesa costs more
// than drawing because the list compiler copies and packs every vertex. The frame budget is
// 16 ms; the immediate-mode draw should take at most 1 ms of it. Times are the drawing thread's
// own processor time (other processes and the rasteriser's threads do not count); the wall-clock
// median is printed beside it. Medians are the figure to go by on a shared machine.
#include "effects/morph.h"
#include "platform/os.h"
#include "tests/unit/mesh_shapes.h"
#include "world/world.h"

#include "platform/gl.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int frames = 300;
constexpr double budgetMs = 1.0;

std::unique_ptr<NObject> torus(int rings, int segments, double majorRadius, double minorRadius)
{
    auto object = std::make_unique<NObject>();
    object->meshes.push_back(std::make_unique<Mesh>());
    shapes::addTorus(*object->meshes[0], rings, segments, majorRadius, minorRadius);
    return object;
}

struct Figures {
    double meanMs, medianMs, worstMs; // processor time of the calling thread
    double wallMedianMs;
};

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec * 1e-6;
}

double medianOf(std::vector<double>& values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Times `step(frame)` over every frame; `untimed` runs after each one outside the clock.
Figures timeFrames(const std::function<void(int)>& step, const std::function<void()>& untimed)
{
    std::vector<double> ms, wallMs;
    ms.reserve(frames);
    wallMs.reserve(frames);
    // One untimed frame first: the software rasteriser compiles its vertex program on first use.
    step(0);
    untimed();
    for (int frame = 0; frame < frames; ++frame) {
        const auto wallStart = std::chrono::steady_clock::now();
        const double start = threadCpuMs();
        step(frame);
        ms.push_back(threadCpuMs() - start);
        wallMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count());
        untimed();
    }
    double total = 0;
    for (double m : ms)
        total += m;
    const double median = medianOf(ms);
    return {total / frames, median, ms.back(), medianOf(wallMs)};
}

void report(const char* what, const Figures& f)
{
    std::printf("%-34s mean %6.3f ms  median %6.3f ms  worst %6.3f ms  (wall median %6.3f ms)\n", what,
                f.meanMs, f.medianMs, f.worstMs, f.wallMedianMs);
}

// The eased factor the morph scenes use, over the first two seconds of 16 ms frames.
float easedFactor(int frame)
{
    const float g = std::max(0.0f, float(1.0 - frame * 0.016 * 0.5));
    return float((std::cos(3.14 * g) + 1.0) / 2.0);
}

} // namespace

int main()
{
    os::selectBackend(os::Backend::Headless);
    os::Window* window = os::createWindow("morph bench", 0, 0, 320, 240, false, nullptr);
    if (!window || !os::createContext(window) || !os::makeCurrent(window, true)) {
        std::fprintf(stderr, "morph_bench: no headless context\n");
        return 1;
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2.4, 2.4, -1.8, 1.8, -10, 10); // both shapes fit the view, as in the scenes
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    {
        const auto start = torus(50, 50, 1.0, 0.3);  // 5,000 triangles
        const auto end = torus(100, 25, 0.8, 0.45);  // 5,000 triangles, other proportions
        Morph morph;
        morph.setStartObject(start.get());
        morph.setEndObject(end.get());
        morph.initMoprh();
        const GLuint texture = 0; // sphere-mapped name 0: the state changes of a real draw
        morph.envTexture = texture;
        morph.envMapped = true;
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        std::printf("%d start and %zu end triangles, %d drawn, %d frames each\n",
                    int(morph.startTriangles.size()), morph.endTriangles.size(), morph.triangleCount(), frames);

        float sink = 0;
        const Figures blend = timeFrames(
            [&](int frame) {
                MorphCorner corners[3];
                const float t = easedFactor(frame);
                for (int i = 0; i < morph.triangleCount(); ++i) {
                    morph.blendTriangle(i, t, corners);
                    sink += corners[0].position.x;
                }
            },
            [] {});
        report("blend only (no GL)", blend);

        const Figures immediate = timeFrames(
            [&](int frame) {
                morph.draw(easedFactor(frame));
            },
            [] {
                // Finished and cleared like a frame of the demo, so every draw starts a fresh frame.
                glFinish();
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            });
        report("draw in immediate mode", immediate);

        const GLuint list = glGenLists(1);
        const Figures compiled = timeFrames(
            [&](int frame) {
                glNewList(list, GL_COMPILE);
                morph.draw(easedFactor(frame));
                glEndList();
            },
            [] {});
        report("draw compiled into a display list", compiled);
        glDeleteLists(list, 1);

        std::printf("budget %.1f ms per frame for the immediate-mode draw: %s (median %.3f ms)\n", budgetMs,
                    immediate.medianMs <= budgetMs ? "met" : "MISSED", immediate.medianMs);
        if (sink == 12345.0f)
            std::printf("\n"); // keeps the blend loop from being optimised away
    }

    os::makeCurrent(window, false);
    os::deleteContext(window);
    os::destroyWindow(window);
    return 0;
}
