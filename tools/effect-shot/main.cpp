// effect-shot EFFECT SECONDS OUT.png [--size WxH] [--data DIR]: draws one effect alone on the
// headless context, stepping its per-frame state on the 16 ms virtual clock from 0 up to
// SECONDS, and writes the last frame. Lets each effect be looked at before the director runs it.
#include "tools/effect-shot/shot.h"

#include "app/log.h"
#include "app/settings_dialog.h"
#include "app/window.h"
#include "platform/files.h"
#include "platform/os.h"
#include "platform/png_writer.h"
#include "world/world.h"

#include "platform/gl.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace lab {

namespace {
std::vector<ShotKind>& registry()
{
    static std::vector<ShotKind> kinds;
    return kinds;
}
} // namespace

bool registerShot(const std::string& name, const std::string& description,
                  std::function<std::unique_ptr<Shot>()> make)
{
    registry().push_back({name, description, std::move(make)});
    return true;
}

const std::vector<ShotKind>& shotKinds() { return registry(); }

} // namespace lab

namespace {

int usage(int status)
{
    std::fprintf(status ? stderr : stdout,
                 "usage: effect-shot EFFECT SECONDS OUT.png [--size WxH] [--data DIR] [--log]\n"
                 "Draws one effect alone, headless, stepping it every 16 ms up to SECONDS, and writes\n"
                 "the last frame as a PNG. Effects:\n");
    for (const lab::ShotKind& kind : lab::shotKinds())
        std::fprintf(status ? stderr : stdout, "  %-14s %s\n", kind.name.c_str(), kind.description.c_str());
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> positional;
    int width = 800, height = 600;
    std::string data = "./data";
    bool logLines = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h")
            return usage(0);
        if (arg == "--size" && i + 1 < argc) {
            if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2 || width < 16 || height < 16
                || width > 4096 || height > 4096) {
                std::fprintf(stderr, "effect-shot: bad size %s\n", argv[i]);
                return 2;
            }
        } else if (arg == "--data" && i + 1 < argc) {
            data = argv[++i];
        } else if (arg == "--log") {
            logLines = true;
        } else if (!arg.empty() && arg[0] == '-' && positional.size() != 1) {
            std::fprintf(stderr, "effect-shot: unknown option %s\n", arg.c_str());
            return usage(2);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 3)
        return usage(2);
    const lab::ShotKind* kind = nullptr;
    for (const lab::ShotKind& k : lab::shotKinds())
        if (k.name == positional[0])
            kind = &k;
    if (!kind) {
        std::fprintf(stderr, "effect-shot: no effect called %s\n", positional[0].c_str());
        return usage(2);
    }
    char* end = nullptr;
    const double seconds = std::strtod(positional[1].c_str(), &end);
    if (end == positional[1].c_str() || *end != '\0' || !(seconds >= 0.0) || seconds > 3600.0) {
        std::fprintf(stderr, "effect-shot: bad time %s\n", positional[1].c_str());
        return 2;
    }

    os::selectBackend(os::Backend::Headless);
    os::setDataFolder(data);
    screenWidth = width;
    screenHeight = height;
    windowHandle = os::createWindow("effect-shot", 0, 0, width, height, false, nullptr);
    if (!windowHandle || !os::createContext(windowHandle) || !os::makeCurrent(windowHandle, true)) {
        std::fprintf(stderr, "effect-shot: no OpenGL context\n");
        return 1;
    }
    deviceContext = windowHandle;
    logger = new Log(logLines);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    world = new World();
    world->loadMultitexture();
    scene = new Scene();
    world->setDefaultViewport();
    world->setupLighting();

    std::unique_ptr<lab::Shot> shot = kind->make();
    // One frame per 16 ms step from the first frame up to the asked time.
    const int frames = int(seconds * 1000.0 / 16.0) + 1;
    for (int frame = 0; frame < frames; ++frame) {
        const double t = frame * 0.016;
        demoTime = float(t);
        ticks = int32_t(t * 50.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        world->setDefaultViewport();
        shot->frame(t, frame);
        glFlush();
        os::swapBuffers(windowHandle);
    }
    std::vector<uint8_t> rgba;
    int w = 0, h = 0;
    std::string error;
    if (!os::readFrame(windowHandle, rgba, w, h) || !os::writePng(positional[2], rgba, w, h, error)) {
        std::fprintf(stderr, "effect-shot: cannot write %s: %s\n", positional[2].c_str(), error.c_str());
        return 1;
    }
    std::fprintf(stderr, "effect-shot: %s at %.3f s (%d frames) -> %s\n", kind->name.c_str(),
                 (frames - 1) * 0.016, frames, positional[2].c_str());
    return 0;
}
