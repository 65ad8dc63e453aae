// StarGlow: a lens-flare-like glow over the landscape scenes, three copies of "./data/star.jpg"
// that slowly rotate at two depths. The copies are blended as (dst colour, src alpha), so they
// brighten the picture already on screen in proportion to it (dst * (star + alpha)): over
// black they show nothing.
//
// Their alpha follows `brightness`, which flickers smoothly: every other drawn frame it takes
// the next point of a spline through 40 random values, and the spline starts over once it has
// been run through. A kick (one per beat event) nudges it by a random amount for the frames
// until the next spline point replaces it; the nudge is not clamped, so the first two copies'
// alpha may leave 0..1 for a frame.
//
// draw sets its own modelview matrix (from the identity) and leaves the projection alone. It
// leaves the OpenGL state as it found it. Window thread only, with the context current.
#pragma once

#include "geometry/camera.h"

#include "platform/gl.h"

#include <cstdint>
#include <memory>

class StarGlow {
public:
    static constexpr int flickerPointCount = 40;

    // Loads the texture (needs a current context) and builds the flicker spline, taking one
    // value of crt::rand per control point.
    StarGlow();

    // Asks the next draw for a random jump of the brightness.
    void kick() { kicked = true; }
    // One frame of the glow.
    void draw();

    GLuint texture = 0;                  // "./data/star.jpg"
    int32_t frame = 0;                   // frames drawn
    float brightness = 0.0f;             // 0 until the first flicker point is taken
    std::unique_ptr<CameraPath> flicker; // y of each point is a brightness, x only spaces them
    bool kicked = false;

private:
    // Steps 2 and 3 of a frame: the flicker point on odd frames, then a pending kick.
    void updateBrightness();
};
