// Headless backend: an EGL context on Mesa's surfaceless platform (no X server), drawing into
// an offscreen framebuffer, on a virtual clock. Whenever nothing is pending the clock jumps to
// the next due timer, so frames are exactly their period apart, events fire exactly on time and
// two runs draw the same pixels, as fast as the renderer allows.
#include "platform/backend.h"
#include "platform/offscreen_surface.h"
#include "platform/virtual_clock.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>

namespace os::detail {
namespace {

class HeadlessBackend final : public BackendImpl {
public:
    ~HeadlessBackend() override { releaseEgl(); }

    uint64_t nowMicros() override { return clock.nowMicros(); }
    bool pollInput(Message&) override { return false; }
    void idle(std::optional<uint64_t> nextDueMicros) override { clock.advanceTo(nextDueMicros); }

    // There is no display to change; a headless "full screen" is simply the chosen size.
    bool changeDisplayMode(int, int, int) override { return true; }
    void restoreDisplayMode() override {}
    bool createWindow(Window&, const char*, int, int) override { return true; }
    bool destroyWindow(Window&) override { return true; }
    void showWindow(Window&) override {}
    void showCursor(bool) override {}

    bool createContext(Window& window) override
    {
        if (!initEgl())
            return false;
        if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context))
            return false;
        if (!surface.create(window.width, window.height, &lookup)) {
            std::fprintf(stderr, "headless: the offscreen framebuffer could not be created\n");
            return false;
        }
        return true;
    }

    bool makeCurrent(Window&, bool current) override
    {
        if (!display)
            return false;
        if (!current)
            return eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context))
            return false;
        surface.bind();
        return true;
    }

    bool deleteContext(Window&) override
    {
        if (!context)
            return false;
        if (eglGetCurrentContext() == context)
            surface.destroy();
        releaseEgl();
        return true;
    }

    // Nothing is shown; the frame stays in the framebuffer for readFrame.
    void swapBuffers(Window&) override {}

    bool readFrame(Window&, std::vector<uint8_t>& rgba, int& width, int& height) override
    {
        width = surface.visibleWidth();
        height = surface.visibleHeight();
        return surface.read(rgba);
    }

    bool readFrameInto(Window&, void* destination) override { return surface.readInto(destination); }

    void* getProcAddress(const char* name) override { return lookup(name); }
    int messageBox(const char*, const char*, unsigned) override { return 0; }

private:
    static void* lookup(const char* name) { return reinterpret_cast<void*>(eglGetProcAddress(name)); }

    bool initEgl()
    {
        if (context)
            return true;
        auto getPlatformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (getPlatformDisplay)
            display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (!display) {
            std::fprintf(stderr, "headless: no surfaceless EGL display (is Mesa's libegl-mesa0 installed?)\n");
            return false;
        }
        EGLint major = 0, minor = 0;
        if (!eglInitialize(display, &major, &minor)) {
            std::fprintf(stderr, "headless: eglInitialize failed\n");
            display = EGL_NO_DISPLAY;
            return false;
        }
        if (!eglBindAPI(EGL_OPENGL_API)) {
            std::fprintf(stderr, "headless: EGL has no desktop OpenGL\n");
            return false;
        }
        const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                           EGL_OPENGL_BIT, EGL_NONE};
        EGLConfig config = nullptr;
        EGLint configCount = 0;
        if (!eglChooseConfig(display, configAttributes, &config, 1, &configCount) || configCount == 0)
            config = nullptr; // surfaceless contexts work without a config on Mesa
        // No profile mask: a compatibility context, so fixed-function OpenGL works.
        context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
        if (context == EGL_NO_CONTEXT) {
            std::fprintf(stderr, "headless: eglCreateContext failed (0x%x)\n", eglGetError());
            context = nullptr;
            return false;
        }
        return true;
    }

    void releaseEgl()
    {
        if (display) {
            eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            if (context)
                eglDestroyContext(display, context);
            eglTerminate(display);
        }
        display = EGL_NO_DISPLAY;
        context = nullptr;
    }

    VirtualClock clock;
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = nullptr;
    OffscreenSurface surface;
};

} // namespace

std::unique_ptr<BackendImpl> makeHeadlessBackend() { return std::make_unique<HeadlessBackend>(); }

} // namespace os::detail
