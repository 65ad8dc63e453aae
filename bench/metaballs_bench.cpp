// CPU time of one metaballs frame: the balls' move, the field and the normals, the marching-cubes
// extraction, and the whole draw with its GL submission (compiled into a display list, so the
// figure is the calls' cost and not llvmpipe's rasterising), plus the whole draw rendered and
// finished on the headless context for comparison. Frames follow the demo's clock: ticks at
// 50 per second, a frame every 16 ms, a pulse every 0.48 s. The target is 1 ms per frame.
#include "assets/utility.h"
#include "effects/metaballs.h"
#include "platform/os.h"

#include "platform/gl.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int frameCount = 3000; // 48 s of the demo's clock
constexpr int framesPerPulse = 30;
constexpr double targetMs = 1.0;

int32_t ticksOfFrame(int frame) { return int32_t(frame * 0.016 * 50.0); }

// Mean milliseconds per frame of step(frame), the balls pulsed as in the demo.
template <class Step>
double msPerFrame(Metaballs& balls, Step step)
{
    balls.scale = 1.0f;
    balls.pulsing = false;
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 0; frame < frameCount; ++frame) {
        if (frame % framesPerPulse == 0)
            balls.pulse();
        step(frame);
    }
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(end - start).count() / frameCount;
}

} // namespace

int main()
{
    os::selectBackend(os::Backend::Headless);
    os::Window* window = os::createWindow("metaballs bench", 0, 0, 320, 240, false, nullptr);
    if (!window || !os::createContext(window) || !os::makeCurrent(window, true)) {
        std::fprintf(stderr, "metaballs_bench: no headless context\n");
        return 1;
    }
    // The scenes' projection, so the rendered figure draws the blobs the demo would.
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45, 1, 0.01, 300);
    glMatrixMode(GL_MODELVIEW);
    auto balls = std::make_unique<Metaballs>();
    {
        // A small sphere map, so the textured path is the one measured.
        std::vector<unsigned char> pixels(64 * 64 * 3, 180);
        Utility().createEnvTexture(&balls->envTexture, pixels.data(), 64, 64);
    }

    std::vector<MetaballVertex> vertices;
    vertices.reserve(20000);
    long long vertexTotal = 0;
    const double fieldMs = msPerFrame(*balls, [&](int frame) {
        balls->moveBalls(ticksOfFrame(frame));
        balls->computeField();
        balls->computeNormals();
    });
    const double extractMs = msPerFrame(*balls, [&](int frame) {
        balls->moveBalls(ticksOfFrame(frame));
        balls->computeField();
        balls->computeNormals();
        vertices.clear();
        balls->polygoniseInto(vertices);
        vertexTotal += static_cast<long long>(vertices.size());
    }) - fieldMs;

    const GLuint list = glGenLists(1);
    const double compiledMs = msPerFrame(*balls, [&](int frame) {
        glNewList(list, GL_COMPILE);
        balls->draw(ticksOfFrame(frame), Metaballs::envMappedMode);
        glEndList();
    });
    const double renderedMs = msPerFrame(*balls, [&](int frame) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        balls->draw(ticksOfFrame(frame), Metaballs::envMappedMode);
        glFinish();
    });
    glDeleteLists(list, 1);

    std::printf("metaballs, %d frames, %.0f triangles per frame on average\n", frameCount,
                double(vertexTotal) / 3 / frameCount);
    std::printf("  move + field + normals        %7.3f ms/frame\n", fieldMs);
    std::printf("  marching cubes (no GL)        %7.3f ms/frame\n", extractMs);
    std::printf("  whole draw, display list      %7.3f ms/frame  (target %.1f ms: %s)\n", compiledMs,
                targetMs, compiledMs <= targetMs ? "met" : "MISSED");
    std::printf("  whole draw, rendered+finished %7.3f ms/frame  (llvmpipe 320x240)\n", renderedMs);
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR)
        std::printf("  GL error 0x%x\n", error);
    return 0;
}
