// SpaceFlight: the space scene's flight. A camera flies once along a recorded path through a
// textured structure in grey linear fog, over a dim backdrop, with motion trails of its own and
// a flash on top.
//
// The flight takes a fixed stretch of music time: the camera's place along its path is the
// progress of `ramp`, which the event that begins the flight sets to 13.6 s and starts. Until
// then the ramp reads as finished and the camera sits at the end of its path; starting the ramp
// again flies the path again from its start.
//
// Each frame the scene calls drawFlight, which captures the fogged structure over the backdrop
// into the trail texture, blends it into the trail and leaves the buffers cleared, then
// drawOverlay, which lays the trail image over the frame and draws the flash. Both leave the
// OpenGL state, the matrix stacks and the matrix mode as they found them.
//
// Missing files are reported by their loaders (a message box for the model and the backdrop,
// a log line for the path); the flight then draws what it has. Window thread only, with the
// context current from construction on.
#pragma once

#include "effects/ramp.h"
#include "effects/texture_feedback.h"
#include "geometry/camera.h"
#include "geometry/flash.h"
#include "geometry/nobject.h"

#include "platform/gl.h"

#include <memory>

class SpaceFlight {
public:
    // Loads the structure (scaled, lit, shadowed, compiled textured into display lists), the
    // camera path and the backdrop, and creates the trail and the flash.
    SpaceFlight();

    // The flight picture: the structure seen from the camera at the ramp's progress, captured
    // into the trail; leaves colour, depth and stencil buffers cleared.
    void drawFlight();
    // The trail image over the frame with the overlay's brightening blend, then the flash.
    void drawOverlay();

    Ramp ramp;                             // the flight's clock; started by the flight's event
    GLuint backdropTexture = 0;            // "./data/white.jpg", drawn dim behind the structure
    std::unique_ptr<NObject> model;        // "./data/space.3ds"
    std::unique_ptr<Camera> camera;        // flies the paths of "./data/space1.pos"
    std::unique_ptr<TextureFeedback> trails;
    std::unique_ptr<Flash> flash;          // fades in over 5 frames, out over 25
};
