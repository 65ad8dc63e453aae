#include "app/startup.h"

#include "app/capture.h"
#include "app/log.h"
#include "app/music.h"
#include "app/window.h"
#include "assets/utility.h"
#include "director/demo.h"
#include "effects/text.h"
#include "geometry/camera.h"
#include "platform/png_writer.h"
#include "world/world.h"

#include "platform/gl.h"

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <map>
#include <vector>

RunControls runControls;
Text* startupText = nullptr;

namespace {

// Writes the frame on screen as a PNG when it is the last one shown at or before the wanted time
// (the next one, at nextFrameMs, would come after it), then asks the loop to end.
void captureFrameIfDue(int64_t nextFrameMs)
{
    // Several asked-for times may fall on the same shown frame.
    while (!runControls.frames.empty() && isFrameShownAt(nextFrameMs, runControls.frames.front().first)) {
        const std::string path = runControls.frames.front().second;
        runControls.frames.erase(runControls.frames.begin());
        std::vector<uint8_t> rgba;
        int width = 0, height = 0;
        std::string error;
        if (!os::readFrame(windowHandle, rgba, width, height) || !os::writePng(path, rgba, width, height, error)) {
            std::fprintf(stderr, "talvoren: cannot write the frame to %s: %s\n", path.c_str(),
                         error.empty() ? "no frame" : error.c_str());
            runControls.frameFailed = true;
        }
        if (runControls.frames.empty())
            os::postQuitMessage(0);
    }
}

// Reports every pending OpenGL error, naming where it was found (--check-gl only).
void checkGlErrors(const char* where)
{
    if (!runControls.checkGl)
        return;
    // A lost context repeats its error forever; a bounded loop still reports it.
    for (int i = 0; i < 32; ++i) {
        const GLenum code = glGetError();
        if (code == GL_NO_ERROR)
            return;
        ++runControls.glErrors;
        std::fprintf(stderr, "talvoren: OpenGL error 0x%04x %s at %.3f s (scene %d)\n", unsigned(code), where,
                     double(demoTime), demo ? int(demo->scene) : 0);
    }
}

// Milliseconds per drawn frame, by scene (--stats only).
std::map<int, std::vector<double>> frameTimes;
// Wall-clock milliseconds between one frame's swap and the next (--stats only): the pacing the
// viewer sees, 16 ms when every frame timer is delivered on time.
std::vector<double> swapIntervals;
std::chrono::steady_clock::time_point lastSwap;

// After each frame: the run's own stopping points (--until, --frame).
void afterFrame()
{
    const int64_t shownMs = std::llround(double(demoTime) * 1000.0);
    if (runControls.capture) {
        runControls.capture->frameShown(windowHandle, shownMs);
        if (runControls.capture->broken() || interruptRequested())
            os::postQuitMessage(0);
    }
    captureFrameIfDue(shownMs + framePeriodMs);
    if (runControls.untilSeconds && double(demoTime) >= *runControls.untilSeconds) {
        runControls.untilSeconds.reset();
        os::postQuitMessage(0);
    }
}

} // namespace

void preInit()
{
    logger = new Log(runControls.logEnabled);
    // Picture rows are tightly packed, whatever their width: never pad them on upload.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    world = new World();
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    logger->print("OpenGL: %s, renderer %s", os::contextDescription().c_str(), renderer ? renderer : "unknown");
    world->loadMultitexture();
    world->initBackground("./data/start.jpg", jpgFileType);
    // The start picture stays on screen while everything else loads.
    world->drawBackground();
    glFlush();
    os::swapBuffers(deviceContext);
    // Demo time 0: until the first frame, 16 ms on, the start picture is what is shown.
    if (runControls.capture)
        runControls.capture->frameShown(windowHandle, 0);
    captureFrameIfDue(framePeriodMs);
    scene = new Scene();
    world->setDefaultViewport();
    world->setupLighting();
    currentCamera = new Camera();
    music = new Fmod();
    world->setMusicClock(music);
    // Made and placed at start-up like the other start-up objects; no scene draws it.
    startupText = new Text();
    startupText->setPosition(0, -0.02);
    ticks = 1;
    logger->print("preInit() ENDS.");
}

void worldInit()
{
    logger->print("worldInit() STARTS...");
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // Every asset and effect is loaded here, while the start picture is on screen.
    demo = new Demo();
    // The music starts right before the timers are armed, so every delay counts from its start.
    music->open("./data/demo.mp3");
    music->play();
    os::setTimer(windowHandle, frameTimerId, framePeriodMs, onTimer);
    // The whole timetable, the end of the show (696969) included; beats fire 15 ms early.
    demo->armSceneEvents(-15);
    demo->armBeatEvents(-15);
    checkGlErrors("while loading");
    logger->print("worldInit() ENDS.");
}

void onTimer(os::Window* window, uint32_t, uintptr_t id, uint32_t)
{
    if (id == frameTimerId) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        ticks = world->updateClock(50);
        if (demo) {
            const auto begin = std::chrono::steady_clock::now();
            demo->render();
            if (runControls.stats) {
                glFinish(); // the software renderer works on threads of its own: wait for it
                frameTimes[demo->scene].push_back(
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
            }
        }
        glFlush();
        checkGlErrors("after the frame");
        os::swapBuffers(deviceContext);
        if (runControls.stats) {
            const auto now = std::chrono::steady_clock::now();
            if (lastSwap.time_since_epoch().count() != 0)
                swapIntervals.push_back(std::chrono::duration<double, std::milli>(now - lastSwap).count());
            lastSwap = now;
        }
        afterFrame();
        return;
    }
    if (id == endOfDemoEventId)
        os::postQuitMessage(0);
    os::killTimer(window, id);
    if (demo)
        demo->onEvent(id);
    if (runControls.trace)
        std::fprintf(stderr, "event %lu at %.3f s -> scene %d\n", static_cast<unsigned long>(id), double(demoTime),
                     demo ? int(demo->scene) : 0);
}

void printFrameStats()
{
    for (auto& [sceneNumber, times] : frameTimes) {
        std::sort(times.begin(), times.end());
        std::fprintf(stderr, "scene %3d: %5zu frames, median %6.2f ms, worst %6.2f ms\n", sceneNumber, times.size(),
                     times[times.size() / 2], times.back());
    }
    // Headless, frames follow the virtual clock as fast as they are drawn: no pacing to report.
    if (swapIntervals.empty() || os::isHeadless())
        return;
    double total = 0;
    for (double interval : swapIntervals)
        total += interval;
    std::sort(swapIntervals.begin(), swapIntervals.end());
    const auto at = [&](double share) { return swapIntervals[size_t(share * double(swapIntervals.size() - 1))]; };
    std::fprintf(stderr, "pacing: %zu frame intervals, %.1f frames a second, median %.2f ms, 99th percentile %.2f ms, "
                         "worst %.2f ms\n",
                 swapIntervals.size(), 1000.0 * double(swapIntervals.size()) / total, at(0.5), at(0.99),
                 swapIntervals.back());
}
