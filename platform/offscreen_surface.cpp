#include "platform/offscreen_surface.h"

#include "platform/gl.h"

#include <algorithm>

namespace os::detail {
namespace {

struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;

    bool load(void* (*lookup)(const char*))
    {
        genFramebuffers = reinterpret_cast<PFNGLGENFRAMEBUFFERSPROC>(lookup("glGenFramebuffers"));
        deleteFramebuffers = reinterpret_cast<PFNGLDELETEFRAMEBUFFERSPROC>(lookup("glDeleteFramebuffers"));
        bindFramebuffer = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(lookup("glBindFramebuffer"));
        genRenderbuffers = reinterpret_cast<PFNGLGENRENDERBUFFERSPROC>(lookup("glGenRenderbuffers"));
        deleteRenderbuffers = reinterpret_cast<PFNGLDELETERENDERBUFFERSPROC>(lookup("glDeleteRenderbuffers"));
        bindRenderbuffer = reinterpret_cast<PFNGLBINDRENDERBUFFERPROC>(lookup("glBindRenderbuffer"));
        renderbufferStorage = reinterpret_cast<PFNGLRENDERBUFFERSTORAGEPROC>(lookup("glRenderbufferStorage"));
        framebufferRenderbuffer =
            reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFERPROC>(lookup("glFramebufferRenderbuffer"));
        checkFramebufferStatus =
            reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSPROC>(lookup("glCheckFramebufferStatus"));
        blitFramebuffer = reinterpret_cast<PFNGLBLITFRAMEBUFFERPROC>(lookup("glBlitFramebuffer"));
        return genFramebuffers && deleteFramebuffers && bindFramebuffer && genRenderbuffers &&
               deleteRenderbuffers && bindRenderbuffer && renderbufferStorage &&
               framebufferRenderbuffer && checkFramebufferStatus && blitFramebuffer;
    }
};

FramebufferCalls gl;

} // namespace

bool OffscreenSurface::create(int visibleWidth, int visibleHeight, void* (*getProcAddress)(const char*))
{
    destroy();
    if (!gl.load(getProcAddress))
        return false;
    width = std::max(visibleWidth, 1);
    height = std::max(visibleHeight, 1);
    const int storageWidth = std::max(width, minimumSide);
    const int storageHeight = std::max(height, minimumSide);

    gl.genRenderbuffers(1, &colour);
    gl.bindRenderbuffer(GL_RENDERBUFFER, colour);
    gl.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, storageWidth, storageHeight);
    gl.genRenderbuffers(1, &depthStencil);
    gl.bindRenderbuffer(GL_RENDERBUFFER, depthStencil);
    gl.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, storageWidth, storageHeight);
    gl.bindRenderbuffer(GL_RENDERBUFFER, 0);

    gl.genFramebuffers(1, &framebuffer);
    gl.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depthStencil);
    if (gl.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        destroy();
        return false;
    }
    glViewport(0, 0, width, height);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    return true;
}

void OffscreenSurface::destroy()
{
    if (framebuffer) {
        gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
        gl.deleteFramebuffers(1, &framebuffer);
        gl.deleteRenderbuffers(1, &colour);
        gl.deleteRenderbuffers(1, &depthStencil);
    }
    framebuffer = colour = depthStencil = 0;
}

void OffscreenSurface::bind() const
{
    if (framebuffer)
        gl.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
}

void OffscreenSurface::presentToWindow() const
{
    if (!framebuffer)
        return;
    gl.bindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    // The blit honours the scissor test, which a frame may leave on.
    const bool scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);
    gl.blitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    if (scissor)
        glEnable(GL_SCISSOR_TEST);
    bind();
}

bool OffscreenSurface::read(std::vector<uint8_t>& rgba) const
{
    if (!framebuffer)
        return false;
    rgba.resize(size_t(width) * height * 4);
    return readInto(rgba.data());
}

bool OffscreenSurface::readInto(void* destination) const
{
    if (!framebuffer)
        return false;
    bind();
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, destination);
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    return true;
}

} // namespace os::detail
