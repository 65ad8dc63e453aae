// Copy2Texture: one square texture that the lower-left corner of the frame is copied into.
//
// A scene draws into a size x size viewport at the origin (setViewport), grab copies that square
// of the frame into the texture and leaves the buffers cleared with the full-window viewport back,
// and the two overlays lay the picture over the window. The trail effect (texture_feedback.h)
// builds on two of them.
//
// The copy always reads drawn pixels: the drawing surface is never smaller than 512 x 512 (the
// platform layer puts small windows into a larger offscreen framebuffer and shows its lower-left
// part), clearOutsideWindow wipes the part of the square the window does not show before a scene
// is drawn into it, and grab's clear reaches the whole surface whatever scissor box or write masks
// the caller left. So the square holds exactly what was drawn, at every window size.
//
// grab leaves texture unit 0 with GL_TEXTURE_2D enabled and this texture bound, the clear colour
// black and the viewport on the full window; every other operation leaves the OpenGL state as it
// found it. Window thread only, with the context current.
#pragma once

#include "platform/gl.h"

#include <cstdint>

class Copy2Texture {
public:
    static constexpr int32_t captureSize = 512;

    // Logs "Copy2Texture object." and creates the 512 x 512 texture (needs a current context).
    Copy2Texture();
    Copy2Texture(const Copy2Texture&) = delete;
    Copy2Texture& operator=(const Copy2Texture&) = delete;

    // A fresh size x size texture, black and transparent, linear filtering, no mipmaps.
    void create(int32_t size);

    // Viewport (0, 0, size, size): the square grab copies.
    void setViewport();

    // Clears colour, depth and stencil in the part of the square outside the window
    // (screenWidth x screenHeight) and nowhere else; nothing to do on windows of at least
    // size x size. The visible picture is untouched.
    void clearOutsideWindow();

    // Copies the square at the frame's lower-left corner into the texture, clears colour, depth
    // and stencil (clear colour black) and sets the viewport to the full window.
    void grab();

    // The picture over the window, stretched past its top edge to 1.15, texture coordinates
    // inset from each edge by `inset`, colour (brightness, brightness, brightness, alpha),
    // blended (GL_ONE, GL_DST_COLOR): onto black it shows the picture, onto a bright frame it
    // brightens. Draws through the active texture unit.
    void drawOverlay(float inset = 0.0f, float brightness = 1.0f, float alpha = 1.0f);

    // The same picture, edge to edge, through texture unit 2 with GL_REPLACE, so whatever units 0
    // and 1 are set up to do does not reach it (the colour arguments therefore have no effect on
    // the texels). Without the multitexture entry points it draws through the active unit.
    void drawOverlayUnit2(float inset = 0.0f, float brightness = 1.0f, float alpha = 1.0f);

    GLuint textureName() const { return texture; }
    int32_t edgeLength() const { return size; }

private:
    GLuint texture = 0;
    int32_t size = 0;
};
