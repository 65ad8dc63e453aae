// An offscreen framebuffer (RGBA8 colour, packed 24-bit depth + 8-bit stencil) that stands in
// for the window's own buffers in both backends. It is never smaller than 512x512,
// because the trail effects copy a 512x512 square of the frame and must only ever read pixels
// that were drawn. Everything draws into it; its lower-left visible region is what is shown.
#pragma once

#include <cstdint>
#include <vector>

namespace os::detail {

struct PresentRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PresentRect&) const = default;
};

// Where a picture of pictureWidth x pictureHeight goes in a drawable of areaWidth x areaHeight:
// the largest rectangle of the picture's aspect that fits, centred (the rest are black bars). An
// empty area (a minimised window) gives an empty rectangle.
PresentRect letterbox(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight);

class OffscreenSurface {
public:
    // Creates it for a visible region of width x height, at least minimumSide in each direction.
    // Needs a current context; getProcAddress finds the framebuffer entry points.
    bool create(int width, int height, void* (*getProcAddress)(const char*));
    void destroy();
    bool valid() const { return framebuffer != 0; }

    // Makes it the target of drawing and reading.
    void bind() const;
    // Copies the visible region to the window's own back buffer (framebuffer 0) of
    // drawableWidth x drawableHeight pixels, then rebinds: pixel for pixel when the sizes agree,
    // otherwise scaled with linear filtering into the letterbox rectangle, black around it.
    void presentToWindow(int drawableWidth, int drawableHeight) const;
    bool read(std::vector<uint8_t>& rgba) const;
    // Reads the visible region as tightly packed RGBA rows, bottom row first, into destination
    // (an offset into the bound pixel-pack buffer when one is bound).
    bool readInto(void* destination) const;

    int visibleWidth() const { return width; }
    int visibleHeight() const { return height; }

    static constexpr int minimumSide = 512;

private:
    unsigned framebuffer = 0;
    unsigned colour = 0;
    unsigned depthStencil = 0;
    int width = 0, height = 0;
};

} // namespace os::detail
