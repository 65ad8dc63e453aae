// Copy2Texture: the frame-to-texture copy, its clears and the two overlays.
#include "effects/copy2texture.h"

#include "app/log.h"
#include "app/settings_dialog.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include <algorithm>
#include <vector>

namespace {

// Clears colour, depth and stencil inside whatever scissor set-up the caller makes after the
// scope opens, with every write mask on, so a clear reaches all it is meant to; the caller's
// scissor box, masks and clear colour come back when the scope closes.
class FullClearScope {
public:
    FullClearScope()
    {
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glDepthMask(GL_TRUE);
        glStencilMask(~0u);
        glClearColor(0, 0, 0, 0);
    }
    static void clear() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT); }

private:
    AttribScope saved{GL_SCISSOR_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT};
};

} // namespace

Copy2Texture::Copy2Texture()
{
    if (logger)
        logger->printObject("Copy2Texture object.");
    create(captureSize);
}

void Copy2Texture::create(int32_t edge)
{
    if (edge <= 0)
        return;
    size = edge;
    AttribScope binding(GL_TEXTURE_BIT);
    if (texture == 0)
        glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    // Four components of 32-bit zeros: the picture starts black and transparent.
    std::vector<GLuint> zeros(size_t(size) * size_t(size) * 4, 0u);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, size, size, 0, GL_RGBA, GL_UNSIGNED_INT, zeros.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void Copy2Texture::setViewport() { glViewport(0, 0, size, size); }

void Copy2Texture::clearOutsideWindow()
{
    const int32_t visibleWidth = std::clamp(screenWidth, 0, size);
    const int32_t visibleHeight = std::clamp(screenHeight, 0, size);
    if (visibleWidth == size && visibleHeight == size)
        return;
    FullClearScope scope;
    glEnable(GL_SCISSOR_TEST);
    if (visibleWidth < size) { // the strip right of the window, full height of the square
        glScissor(visibleWidth, 0, size - visibleWidth, size);
        FullClearScope::clear();
    }
    if (visibleHeight < size) { // the strip above the window
        glScissor(0, visibleHeight, visibleWidth, size - visibleHeight);
        FullClearScope::clear();
    }
}

void Copy2Texture::grab()
{
    GLint activeUnit = GL_TEXTURE0_ARB;
    if (arb::glActiveTextureARB) {
        glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &activeUnit);
        arb::glActiveTextureARB(GL_TEXTURE0_ARB);
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 0, 0, size, size, 0);
    {
        // The whole surface, not just a scissor box the frame may have left on: the next copy
        // must find only what is drawn after this.
        FullClearScope scope;
        glDisable(GL_SCISSOR_TEST);
        FullClearScope::clear();
    }
    glClearColor(0, 0, 0, 0);
    glViewport(0, 0, screenWidth, screenHeight);
    if (arb::glActiveTextureARB)
        arb::glActiveTextureARB(GLenum(activeUnit));
}

void Copy2Texture::drawOverlay(float inset, float brightness, float alpha)
{
    AttribScope attributes;
    MatrixScope matrix;
    world->beginOrtho();
    glLoadIdentity();
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_DST_COLOR);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glColor4f(brightness, brightness, brightness, alpha);
    // The top edge stands above the screen, so the square picture is stretched upward and its
    // upper part falls outside the view.
    glBegin(GL_QUADS);
    glTexCoord2f(inset, inset);
    glVertex3f(-1, -1, 0);
    glTexCoord2f(inset, 1 - inset);
    glVertex3f(-1, 1.15f, 0);
    glTexCoord2f(1 - inset, 1 - inset);
    glVertex3f(1, 1.15f, 0);
    glTexCoord2f(1 - inset, inset);
    glVertex3f(1, -1, 0);
    glEnd();
    world->endOrtho();
}

void Copy2Texture::drawOverlayUnit2(float inset, float brightness, float alpha)
{
    AttribScope attributes;
    MatrixScope matrix;
    world->beginOrtho();
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_DST_COLOR);
    const bool multitexture = arb::glActiveTextureARB && arb::glMultiTexCoord2fARB;
    if (multitexture)
        arb::glActiveTextureARB(GL_TEXTURE2_ARB);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glColor4f(brightness, brightness, brightness, alpha);
    auto corner = [multitexture](float s, float t, float x, float y) {
        if (multitexture)
            arb::glMultiTexCoord2fARB(GL_TEXTURE2_ARB, s, t);
        else
            glTexCoord2f(s, t);
        glVertex3f(x, y, 0);
    };
    glBegin(GL_QUADS);
    corner(inset, inset, -1, -1);
    corner(inset, 1 - inset, -1, 1);
    corner(1 - inset, 1 - inset, 1, 1);
    corner(1 - inset, inset, 1, -1);
    glEnd();
    world->endOrtho();
}
