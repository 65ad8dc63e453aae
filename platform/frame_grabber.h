// Reads finished frames back for capture through two pixel-pack buffers used in turn: the copy
// of a frame is started right after it is drawn and collected one frame later, so reading back
// never makes the renderer wait for the copy it has just asked for.
#pragma once

#include "platform/os.h"

#include <cstdint>
#include <vector>

namespace os {

class FrameGrabber {
public:
    FrameGrabber() = default;
    FrameGrabber(const FrameGrabber&) = delete;
    FrameGrabber& operator=(const FrameGrabber&) = delete;
    ~FrameGrabber() = default; // the buffers go with the context

    // Needs the window's current context. Without pixel-buffer support it reads directly.
    bool start(Window* window);
    // Starts reading the frame on screen into the next buffer.
    bool grab();
    // Copies out a grabbed frame: age 0 is the last one grabbed, 1 the one before it. RGBA rows,
    // bottom row first; false when there is no such frame.
    bool copy(int age, std::vector<uint8_t>& rgba);
    // Frees the buffers (needs the context still current).
    void stop();

    int width() const { return frameWidth; }
    int height() const { return frameHeight; }
    bool usesPixelBuffers() const { return buffers[0] != 0; }

private:
    Window* window = nullptr;
    int frameWidth = 0, frameHeight = 0;
    unsigned buffers[2] = {0, 0};
    std::vector<uint8_t> direct[2]; // used without pixel buffers
    int grabs = 0;                  // frames grabbed so far; the latest went to (grabs - 1) % 2
};

} // namespace os
