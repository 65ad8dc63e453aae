// ClosingGlow: the end of the demo. Once triggered it darkens the whole picture to black over
// five seconds of music time by multiplying the frame with a white quad of falling brightness.
// Window thread only, with the context current.
#pragma once

#include "effects/ramp.h"

#include "platform/gl.h"

class ClosingGlow {
public:
    static constexpr double fadeSeconds = 5.0;

    // Loads "./data/white.jpg" (needs the context current); stays invisible until trigger.
    ClosingGlow();

    // Shows the glow from now on and starts its five-second ramp.
    void trigger();

    // Nothing while invisible; otherwise frame x 2 x (0.5 - 0.5 r): unchanged at the ramp's
    // start, black at its end and after.
    void draw();

    Ramp ramp;
    GLuint texture = 0; // white.jpg
    bool visible = false;
};
