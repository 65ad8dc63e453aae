// Ramp: clamped, shaped progress over demoTime, and event arming through the platform timers.
#include "effects/ramp.h"

#include "app/startup.h"
#include "app/window.h"
#include "platform/os.h"
#include "world/world.h"

#include <algorithm>
#include <cmath>

void Ramp::start() { startTime = demoTime; }

double Ramp::value(int shape) const
{
    const double elapsed = double(demoTime) - startTime;
    double r;
    if (duration > 0.0)
        r = elapsed / duration;
    else
        r = elapsed >= 0.0 ? 1.0 : 0.0; // a zero-length ramp jumps to its end once started
    if (!(r >= 0.0)) // also catches NaN
        r = 0.0;
    r = std::min(r, 1.0);

    // 3.14 rather than pi: the shaped fades were timed with it, so sin ends just above 0 and
    // cos just above -1.
    switch (shape) {
    case linearShape:
        return r;
    case sineShape:
        return std::sin(3.14 * r);
    case cosineShape:
        return std::cos(3.14 * r);
    default:
        return 1.0;
    }
}

void Ramp::arm(uintptr_t id, int32_t delayMs) const
{
    const int64_t periodMs = int64_t(delayMs) + int64_t(offset);
    if (periodMs <= 0)
        return;
    os::setTimer(windowHandle, id, uint32_t(std::min<int64_t>(periodMs, INT32_MAX)), onTimer);
}
