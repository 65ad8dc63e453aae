// The white flash of scene changes: started by an event, it brightens the whole picture
// additively over fadeInFrames drawn frames, fades out over fadeOutFrames, then switches itself
// off. It counts drawn frames, not time.
#pragma once

#include "platform/gl.h"

class Flash {
public:
    Flash();

    void setDurations(int fadeIn, int fadeOut)
    {
        fadeInFrames = fadeIn;
        fadeOutFrames = fadeOut;
    }
    void start()
    {
        frame = 1;
        done = false;
    }
    // One frame of the flash over the current viewport; nothing while it is off.
    void draw();

    // The brightness of a frame of the flash in progress (0 when that frame draws nothing).
    double alphaOfFrame(int frameNumber) const;

    GLuint texture = 0; // "./data/white.jpg"
    bool done = true;
    int frame = 1;
    int fadeInFrames = 50;
    int fadeOutFrames = 50;
};
