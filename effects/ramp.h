// Ramp: a progress value from 0 to 1 over a stretch of music time (demoTime), optionally shaped
// by a sine or cosine, and the arming of one-shot timer events.
//
// The director keeps one as its event schedule (only the millisecond offset matters there), the
// space flight and the closing glow each keep one as their clock. Until start is called the ramp
// starts at time 0 with a one-second duration, so any music time past a second reads as the end.
// Window thread only.
#pragma once

#include <cstdint>

class Ramp {
public:
    // Shapes of value().
    static constexpr int linearShape = 0; // r
    static constexpr int sineShape = 1;   // sin(3.14 r): up and back down
    static constexpr int cosineShape = 2; // cos(3.14 r): from 1 down to -1

    // Starts the ramp now: startTime = demoTime.
    void start();
    void setDuration(double seconds) { duration = seconds; }

    // r = (demoTime - startTime) / duration clamped to [0, 1], then shaped (any other shape: 1).
    double value(int shape) const;
    double progress() const { return value(linearShape); }

    // Arms timer `id` on the main window, due after delayMs + offset and delivered to the frame
    // timer's callback, which kills it and hands it on as a one-shot event. A delay that is not
    // positive after the offset arms nothing.
    void arm(uintptr_t id, int32_t delayMs) const;

    double startTime = 0.0; // seconds of music time
    double duration = 1.0;  // seconds
    double spare = 1.0;     // kept with the record, read by nothing
    int32_t offset = 0;     // milliseconds added to every armed delay
};
