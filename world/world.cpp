#include "world/world.h"

#include "app/log.h"
#include "platform/os.h"

#include <cmath>

int32_t ticks = 0;
float demoTime = 0.0f;
World* world = nullptr;

World::World() : startTickMs(os::getTickCount())
{
    if (logger)
        logger->printObject("World Object");
}

int32_t World::updateClock(int rate)
{
    // Unsigned 32-bit difference: correct across the tick count's wrap-around, never negative.
    const uint32_t elapsedMs = os::getTickCount() - startTickMs;
    if (music && music->isPlaying())
        demoTime = float(double(music->position()) * 0.001);
    else
        demoTime = float(double(elapsedMs) * 0.001);
    // The factor is the single-precision 0.001, so the tick count matches the frame clock's
    // arithmetic exactly (50 ticks at 1000 ms).
    const long double scaled = static_cast<long double>(elapsedMs) * static_cast<long double>(0.001f) * rate;
    return int32_t(std::trunc(scaled));
}
