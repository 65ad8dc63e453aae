// BlendMesh: a square grid of anti-aliased white lines laid additively over a scene. After a
// restart it flies away from the viewer for `duration` drawn frames while it wobbles sideways,
// spins about the view axis and fades out; then it is done and draws nothing until the next
// restart. It counts drawn frames, not time, so its flight lasts as many frames as the scene
// draws it.
//
// draw sets its own modelview matrix (from the identity) and leaves the projection alone: the
// grid is seen through whatever perspective the scene uses. It leaves the OpenGL state as it
// found it. Window thread only.
#pragma once

#include <cstdint>

class BlendMesh {
public:
    // Logs "BlendMesh Object.".
    BlendMesh();

    void setDuration(int32_t frames) { duration = frames; }
    void setOpacity(double value) { opacity = float(value); }
    // Starts the flight again from frame 0, also while one is running.
    void restart()
    {
        frame = 0;
        done = false;
    }
    // One frame of the flight; nothing once it is done. A duration that is not positive ends
    // the flight at once without drawing.
    void draw();

    // The grid's alpha at a frame of the flight: falls linearly from opacity at frame 0 towards
    // 0 at frame `duration` (0 when the duration is not positive).
    float alphaOfFrame(int32_t frameNumber) const;
    // The grid's z at a frame: it starts in the plane z = 0 and moves back along -z.
    double zOfFrame(int32_t frameNumber) const;

    int32_t speed = 10;         // depth travelled is frame * speed / 15
    float lineCount = 100;      // lineCount + 1 lines in each direction
    int32_t duration = 50;      // frames until the grid is done
    float lineWidth = 2.0f;     // pixels
    float halfSize = 50;        // the grid spans -halfSize..halfSize in x and y
    float wobblePeriod = 10;    // frames per radian of the sideways wobble
    float spin = 1.0f;          // degrees per frame about z
    float opacity = 1.0f;
    bool done = true;           // nothing is drawn until the first restart
    int32_t frame = 0;          // frames drawn since the restart
};
