#include "app/startup.h"

#include "app/log.h"
#include "app/window.h"
#include "platform/png_writer.h"
#include "world/world.h"

#include <GL/gl.h>

#include <cstdio>
#include <vector>

RunControls runControls;

namespace {

// After each frame: the run's own stopping points (--until, --frame).
void afterFrame()
{
    if (runControls.frameSeconds) {
        // The last frame at or before the wanted time: the next one would come after it.
        const double nextFrameSeconds = double(demoTime) + framePeriodMs * 0.001;
        if (nextFrameSeconds > *runControls.frameSeconds + 1e-6) {
            std::vector<uint8_t> rgba;
            int width = 0, height = 0;
            std::string error;
            if (!os::readFrame(windowHandle, rgba, width, height) ||
                !os::writePng(runControls.framePath, rgba, width, height, error)) {
                std::fprintf(stderr, "talvoren: cannot write the frame to %s: %s\n",
                             runControls.framePath.c_str(), error.empty() ? "no frame" : error.c_str());
                runControls.frameFailed = true;
            }
            runControls.frameSeconds.reset();
            os::postQuitMessage(0);
        }
    }
    if (runControls.untilSeconds && double(demoTime) >= *runControls.untilSeconds) {
        runControls.untilSeconds.reset();
        os::postQuitMessage(0);
    }
}

} // namespace

void preInit()
{
    logger = new Log(runControls.logEnabled);
    world = new World();
    ticks = 1;
    logger->print("preInit() ENDS.");
}

void worldInit()
{
    logger->print("worldInit() STARTS...");
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    os::setTimer(windowHandle, frameTimerId, framePeriodMs, onTimer);
    os::setTimer(windowHandle, endOfDemoEventId, endOfDemoMs, onTimer);
    logger->print("worldInit() ENDS.");
}

void onTimer(os::Window* window, uint32_t, uintptr_t id, uint32_t)
{
    if (id == frameTimerId) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        ticks = world->updateClock(50);
        glFlush();
        os::swapBuffers(deviceContext);
        afterFrame();
        return;
    }
    if (id == endOfDemoEventId)
        os::postQuitMessage(0);
    os::killTimer(window, id);
    if (runControls.trace)
        std::fprintf(stderr, "event %lu at %.3f s\n", static_cast<unsigned long>(id), double(demoTime));
}
