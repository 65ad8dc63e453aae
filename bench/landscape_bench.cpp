// Cost of the math landscape on the headless context: Mathlandscape::build (the height field,
// the normals, the 29,502-triangle mesh, the texture and the two display lists), timed in its
// parts, and one Mathlandscape::updateBalls pass (13 balls: collisions, ground contact, the
// motion step, the balls and their shadow volumes, the darkening pass) as the landscape scene
// runs it. Targets: build at most 100 ms, one ball pass at most 0.5 ms of the drawing thread's
// processor time (the rasteriser's own threads do not count). Medians are the figures to go by.
//
// usage: landscape_bench [DATA_FOLDER]   (default ./data; tex1.jpg, ball3.3ds and checker.jpg
// are read from there, and missing files only make the figures smaller)
#include "effects/mathlandscape.h"

#include "app/settings_dialog.h"
#include "geometry/ball.h"
#include "geometry/mesh.h"
#include "geometry/nobject.h"
#include "platform/files.h"
#include "platform/os.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include "platform/gl.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <vector>

namespace {

constexpr int buildRuns = 7;
constexpr int ballFrames = 400;
constexpr double buildBudgetMs = 100.0;
constexpr double ballBudgetMs = 0.5;

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec * 1e-6;
}

double wallMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double medianOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Timing {
    std::vector<double> cpuMs, wallMs;
    void add(double cpu, double wall)
    {
        cpuMs.push_back(cpu);
        wallMs.push_back(wall);
    }
    void report(const char* what) const
    {
        std::printf("%-40s median %8.3f ms  worst %8.3f ms  (wall median %8.3f ms)\n", what, medianOf(cpuMs),
                    *std::max_element(cpuMs.begin(), cpuMs.end()), medianOf(wallMs));
    }
};

// Times f once into timing.
void timeOnce(Timing& timing, const std::function<void()>& f)
{
    const double wallStart = wallMs();
    const double start = threadCpuMs();
    f();
    timing.add(threadCpuMs() - start, wallMs() - wallStart);
}

bool present(const char* file) { return std::filesystem::exists(os::resolvePath(file)); }

} // namespace

int main(int argc, char** argv)
{
    os::selectBackend(os::Backend::Headless);
    os::setDataFolder(argc > 1 ? argv[1] : "./data");
    screenWidth = 800;
    screenHeight = 600;
    os::Window* window = os::createWindow("landscape bench", 0, 0, screenWidth, screenHeight, false, nullptr);
    if (!window || !os::createContext(window) || !os::makeCurrent(window, true)) {
        std::fprintf(stderr, "landscape_bench: no headless context\n");
        return 1;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    world = new World();
    world->setDefaultViewport();
    world->setupLighting();
    std::printf("data %s: tex1.jpg %s, ball3.3ds %s\n", os::dataFolder().c_str(),
                present("./data/tex1.jpg") ? "found" : "MISSING", present("./data/ball3.3ds") ? "found" : "MISSING");

    {
        // The build, whole and in its parts, on fresh landscapes (the lists of earlier runs stay).
        Timing whole, surface, mesh, object;
        for (int run = 0; run < buildRuns; ++run) {
            Mathlandscape land{Mathlandscape::SurfaceOnly{}};
            timeOnce(whole, [&] { land.build(); });
            glFinish();
            timeOnce(surface, [&] {
                land.computeVertices();
                land.computeFaceNormals();
                land.computeVertexNormals();
            });
            std::unique_ptr<Mesh> made;
            timeOnce(mesh, [&] { made = land.makeMesh(); });
            NObject target;
            target.meshes.push_back(std::move(made));
            timeOnce(object, [&] {
                target.setTexture("./data/tex1.jpg", jpgFileType);
                target.buildDisplayLists(shadeTextured);
            });
            glFinish();
        }
        std::printf("build, %d runs:\n", buildRuns);
        whole.report("  Mathlandscape::build");
        surface.report("    height field and normals");
        mesh.report("    mesh of 29,502 triangles");
        object.report("    texture and display lists");
        const double median = medianOf(whole.cpuMs);
        std::printf("budget %.0f ms for the build: %s (median %.3f ms)\n\n", buildBudgetMs,
                    median <= buildBudgetMs ? "met" : "MISSED", median);
    }

    {
        Timing construction;
        std::unique_ptr<Mathlandscape> land;
        timeOnce(construction, [&] { land = std::make_unique<Mathlandscape>(); });
        construction.report("construction with 13 balls (once)");

        // The start-up camera looking at the balls' side of the terrain, as the scene draws it.
        glLoadIdentity();
        gluLookAt(5.89, 4.11, -11.25, -5.43, -15.75, -4.17, 0, 1, 0);
        Timing pass;
        for (int frame = -1; frame < ballFrames; ++frame) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
            if (frame < 0) { // untimed: the rasteriser compiles its programs on first use
                land->updateBalls();
            } else {
                timeOnce(pass, [&] { land->updateBalls(); });
            }
            glFinish();
        }
        pass.report("updateBalls, one pass");

        // Where the pass goes: its motion and drawing parts alone, for all 13 balls.
        Timing motion, draws, shadows, darkening;
        for (int frame = 0; frame < ballFrames; ++frame) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
            timeOnce(motion, [&] {
                land->collideBalls();
                for (const auto& ball : land->balls)
                    land->stepBall(*ball);
            });
            timeOnce(draws, [&] {
                for (const auto& ball : land->balls)
                    ball->draw();
            });
            timeOnce(shadows, [&] {
                for (const auto& ball : land->balls)
                    ball->drawShadow();
            });
            timeOnce(darkening, [&] { world->drawShadowPass(); });
            glFinish();
        }
        motion.report("    collisions, contacts and steps");
        draws.report("    Ball::draw x 13");
        shadows.report("    Ball::drawShadow x 13");
        darkening.report("    World::drawShadowPass");
        const double median = medianOf(pass.cpuMs);
        std::printf("budget %.1f ms for one ball pass: %s (median %.3f ms)\n", ballBudgetMs,
                    median <= ballBudgetMs ? "met" : "MISSED", median);
    }

    delete world;
    world = nullptr;
    os::makeCurrent(window, false);
    os::deleteContext(window);
    os::destroyWindow(window);
    return 0;
}
