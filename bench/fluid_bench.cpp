// Time of the image fluid: one simulation step on the CPU (and its velocity and dye parts), and
// the drawing of the dye at 800x600 in the main band, rendered and finished on llvmpipe, with
// all quads in one primitive and, for comparison, one primitive per cell. Targets: 2 ms per step, 8 ms per drawing.
//
// The drawing is timed twice. llvmpipe grows the heap by some megabytes for every frame's
// triangles and frees them at the frame's end; with glibc's default thresholds that memory goes
// back to the system at once and is faulted in again on the next frame, which costs several
// times the rasterising itself. The first figures are glibc's defaults; the second keep that memory
// in the heap (mallopt), as a program whose start-up tunes the allocator would.
//
// The two heap settings run in two processes, so neither inherits the other's heap.
//
// fluid_bench [DATA_FOLDER]: the folder holding 200x100.jpg (default ./data); without the
// picture the dye is filled with a pattern instead.
#include "app/log.h"
#include "effects/image_fluid.h"
#include "platform/files.h"
#include "platform/os.h"

#include "platform/gl.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int stepRuns = 2000; // about 32 s of frames
constexpr int drawRuns = 200;
constexpr double stepTargetMs = 2.0;
constexpr double drawTargetMs = 8.0;
constexpr int windowWidth = 800, windowHeight = 600;
constexpr int warmUpRuns = 20;     // llvmpipe compiles its shader variants on the first draws
constexpr int keptHeapBytes = 16 << 20;

// Milliseconds per run, of the wall clock and of this process's CPU time (all its threads, so
// llvmpipe's rasteriser threads count too). The CPU figure does not grow when other programs
// share the machine.
struct Timing {
    double wallMs;
    double cpuMs;
};

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

template <class Work>
Timing msPerRun(int runs, Work work, int warmUp = 0)
{
    for (int run = 0; run < warmUp; ++run)
        work(run);
    const double cpuStart = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    for (int run = 0; run < runs; ++run)
        work(run);
    const auto end = std::chrono::steady_clock::now();
    const double cpuEnd = cpuSeconds();
    return {std::chrono::duration<double, std::milli>(end - start).count() / runs,
            (cpuEnd - cpuStart) * 1000.0 / runs};
}

void printTiming(const char* what, const Timing& timing, double targetMs)
{
    std::printf("  %-34s %7.3f ms CPU, %7.3f ms wall", what, timing.cpuMs, timing.wallMs);
    if (targetMs > 0)
        std::printf("  (target %.1f ms: %s)", targetMs, timing.cpuMs <= targetMs ? "met" : "MISSED");
    std::printf("\n");
}

double channelColour(double dye)
{
    const double k = std::fabs(dye) >= 0.000005 ? 0.001 / dye : 1.0;
    return 1 - k;
}

// The drawing with a primitive of its own for each cell.
void drawOneQuadPerCell(const ImageFluid& fluid)
{
    glPushAttrib(0xFFFFF);
    glPushMatrix();
    glTranslated(0, 0, -2.25);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    for (int i = 2; i <= 197; ++i) {
        for (int j = 2; j <= 97; ++j) {
            const size_t k = size_t(i + 200 * j);
            glColor3d(channelColour(fluid.dye[ImageFluid::redChannel].current[k]),
                      channelColour(fluid.dye[ImageFluid::greenChannel].current[k]),
                      channelColour(fluid.dye[ImageFluid::blueChannel].current[k]));
            glBegin(GL_QUADS);
            glVertex3d(2.0 / 200 * i - 1, 2.0 / 100 * j - 1, 0);
            glVertex3d(2.0 / 200 * (i + 1) - 1, 2.0 / 100 * j - 1, 0);
            glVertex3d(2.0 / 200 * (i + 1) - 1, 2.0 / 100 * (j + 1) - 1, 0);
            glVertex3d(2.0 / 200 * i - 1, 2.0 / 100 * (j + 1) - 1, 0);
            glEnd();
        }
    }
    glPopMatrix();
    glPopAttrib();
}

// One process's measurements: the step figures (printed only by the first) and the drawing.
int measure(const char* dataFolder, bool keptHeap)
{
    if (keptHeap) {
        mallopt(M_MMAP_THRESHOLD, keptHeapBytes);
        mallopt(M_TRIM_THRESHOLD, keptHeapBytes);
    }
    os::selectBackend(os::Backend::Headless);
    if (dataFolder)
        os::setDataFolder(dataFolder);
    os::Window* window = os::createWindow("fluid bench", 0, 0, windowWidth, windowHeight, false, nullptr);
    if (!window || !os::createContext(window) || !os::makeCurrent(window, true)) {
        std::fprintf(stderr, "fluid_bench: no headless context\n");
        return 1;
    }
    auto fluid = std::make_unique<ImageFluid>();
    if (!fluid->pixels) {
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 20000; ++k)
                fluid->dye[size_t(c)].current[size_t(k)] = 0.003 + 0.003 * std::sin(0.01 * k + c);
    }

    const Timing stepMs = msPerRun(stepRuns, [&](int) { fluid->step(); });
    const Timing velocityMs = msPerRun(stepRuns, [&](int) {
        fluid->addJet();
        fluid->velocityStep();
    });
    const Timing dyeMs = msPerRun(stepRuns, [&](int) {
        fluid->fadeDye();
        for (auto& field : fluid->dye)
            fluid->moveDye(field);
    });

    // The main band of an 800x600 window with the scenes' projection.
    const int bandBottom = int(0.16 * windowHeight);
    const int bandHeight = windowHeight - int(0.32 * windowHeight);
    glViewport(0, bandBottom, windowWidth, bandHeight);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45, double(windowWidth) / bandHeight, 0.01, 300);
    glMatrixMode(GL_MODELVIEW);
    const Timing drawMs = msPerRun(drawRuns, [&](int) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        fluid->draw();
        glFinish();
    }, warmUpRuns);
    const Timing perCellMs = msPerRun(drawRuns, [&](int) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawOneQuadPerCell(*fluid);
        glFinish();
    }, warmUpRuns);

    if (!keptHeap) {
        std::printf("image fluid, %d steps, %d drawings at %dx%d (%s picture)\n", stepRuns, drawRuns,
                    windowWidth, windowHeight, fluid->pixels ? "the demo's" : "no");
        printTiming("step", stepMs, stepTargetMs);
        printTiming("  jet + velocity step", velocityMs, 0);
        printTiming("  fade + three dye advections", dyeMs, 0);
        std::printf("  drawing, rendered and finished, glibc's default heap thresholds:\n");
    } else {
        std::printf("  the same with freed memory kept in the heap (mallopt %d MB):\n", keptHeapBytes >> 20);
    }
    printTiming("  one primitive", drawMs, drawTargetMs);
    printTiming("  a primitive per cell", perCellMs, 0);
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR)
        std::printf("  GL error 0x%x\n", error);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const char* dataFolder = argc > 1 ? argv[1] : nullptr;
    // The default-heap figures come from a child forked before any GL, so neither process
    // inherits the other's heap or rendering threads.
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0)
        _exit(measure(dataFolder, false));
    int childStatus = 0;
    if (child < 0 || waitpid(child, &childStatus, 0) != child || !WIFEXITED(childStatus)
        || WEXITSTATUS(childStatus) != 0)
        return 1;
    const int status = measure(dataFolder, true);
    std::printf("  (CPU time counts every thread of the process; wall time grows with the machine's load)\n");
    return status;
}
