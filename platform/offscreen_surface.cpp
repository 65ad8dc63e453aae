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

PresentRect letterbox(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight)
{
    if (pictureWidth <= 0 || pictureHeight <= 0 || areaWidth <= 0 || areaHeight <= 0)
        return {};
    PresentRect rect{0, 0, areaWidth, areaHeight};
    // Compare the aspects exactly in integers: wider area than picture means bars at the sides.
    const long long areaByPicture = (long long)areaWidth * pictureHeight;
    const long long pictureByArea = (long long)pictureWidth * areaHeight;
    if (areaByPicture > pictureByArea)
        rect.width = int((pictureByArea + pictureHeight / 2) / pictureHeight);
    else if (areaByPicture < pictureByArea)
        rect.height = int(((long long)pictureHeight * areaWidth + pictureWidth / 2) / pictureWidth);
    rect.x = (areaWidth - rect.width) / 2;
    rect.y = (areaHeight - rect.height) / 2;
    return rect;
}

void OffscreenSurface::presentToWindow(int drawableWidth, int drawableHeight) const
{
    const PresentRect target = letterbox(width, height, drawableWidth, drawableHeight);
    if (!framebuffer || target.width == 0)
        return;
    // The blit honours the scissor test and the clear the colour mask, which a frame may leave.
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_SCISSOR_BIT | GL_VIEWPORT_BIT);
    glDisable(GL_SCISSOR_TEST);
    // Areas the show only clears hold alpha 0, and a compositor (Wayland's) sees through them when
    // the window's buffer is handed over with an alpha channel, whatever the context reports of
    // it. The finished frame is made opaque before it goes out (the next frame starts with a
    // clear of its own).
    gl.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    gl.bindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    // A viewport on the window's own buffer makes drivers that size that buffer lazily (Mesa on
    // X11) take the window's new size now, before the blit, not a frame or more later.
    glViewport(0, 0, drawableWidth, drawableHeight);
    // Some drivers mask the blit's writes with the colour mask.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    const bool oneToOne = target.width == width && target.height == height;
    if (!oneToOne || target.width != drawableWidth || target.height != drawableHeight)
        glClear(GL_COLOR_BUFFER_BIT); // the bars
    gl.blitFramebuffer(0, 0, width, height, target.x, target.y, target.x + target.width, target.y + target.height,
                       GL_COLOR_BUFFER_BIT, oneToOne ? GL_NEAREST : GL_LINEAR);
    // The surface is bound again before the attributes come back: they hold its draw buffer
    // (the colour attachment), which the window's framebuffer refuses with an error.
    bind();
    glPopAttrib();
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
