// Headless backend: an EGL context without any window system (no X server), drawing into an
// offscreen framebuffer, on a virtual clock. Whenever nothing is pending the clock jumps to the
// next due timer, so frames are exactly their period apart, events fire exactly on time and two
// runs draw the same pixels, as fast as the renderer allows.
//
// Where the context comes from: on a machine with Mesa installed, EGL's surfaceless platform
// answers with Mesa's software renderer even when a GPU is present, so the EGL devices are asked
// first (EGL_EXT_device_enumeration, EGL_EXT_platform_device): the first device that is not a
// software one (EGL_MESA_device_software) and gives a desktop-GL compatibility context on which
// the offscreen framebuffer completes; else the surfaceless platform; else the software device.
// TALVOREN_EGL_PLATFORM=device or =surfaceless forces one path (a forced device path takes the
// software device when there is no other).
#include "platform/backend.h"
#include "platform/offscreen_surface.h"
#include "platform/virtual_clock.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace os::detail {
namespace {

constexpr EGLint maxDevices = 16;
constexpr int trialSurfaceSide = 16; // a framebuffer made once to see that the context can

bool hasExtension(const char* list, const char* name)
{
    if (!list)
        return false;
    const size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at; at = std::strstr(at + length, name))
        if ((at == list || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0'))
            return true;
    return false;
}

// What the environment asks for: "device", "surfaceless" or nothing.
std::string forcedPlatform()
{
    const char* value = std::getenv("TALVOREN_EGL_PLATFORM");
    return value ? value : "";
}

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
    std::string contextDescription() override { return description; }
    int messageBox(const char*, const char*, unsigned) override { return 0; }

private:
    static void* lookup(const char* name) { return reinterpret_cast<void*>(eglGetProcAddress(name)); }

    // A display of a platform, initialised, with a compatibility context on which the offscreen
    // framebuffer completes; false (everything released) otherwise.
    bool openContext(EGLDisplay candidate)
    {
        if (candidate == EGL_NO_DISPLAY)
            return false;
        display = candidate;
        EGLint major = 0, minor = 0;
        if (!eglInitialize(display, &major, &minor) || !eglBindAPI(EGL_OPENGL_API)) {
            releaseEgl();
            return false;
        }
        const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                           EGL_OPENGL_BIT, EGL_NONE};
        EGLConfig config = nullptr;
        EGLint configCount = 0;
        if (!eglChooseConfig(display, configAttributes, &config, 1, &configCount) || configCount == 0)
            config = nullptr; // contexts without surfaces need no config on Mesa
        // No profile mask: a compatibility context, so fixed-function OpenGL works.
        context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
        if (context == EGL_NO_CONTEXT) {
            context = nullptr;
            releaseEgl();
            return false;
        }
        OffscreenSurface trial;
        const bool usable = eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context) &&
                            trial.create(trialSurfaceSide, trialSurfaceSide, &lookup);
        trial.destroy();
        if (!usable)
            releaseEgl();
        return usable;
    }

    bool openSurfaceless()
    {
        auto getPlatformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (!getPlatformDisplay ||
            !openContext(getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr)))
            return false;
        description = "EGL surfaceless platform";
        return true;
    }

    // Tries the devices, hardware ones first, the software device last when takeSoftware is set.
    bool openDevice(bool takeSoftware)
    {
        const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
        if (!hasExtension(clientExtensions, "EGL_EXT_device_enumeration") &&
            !hasExtension(clientExtensions, "EGL_EXT_device_base"))
            return false;
        if (!hasExtension(clientExtensions, "EGL_EXT_platform_device"))
            return false;
        auto queryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
        auto queryDeviceString =
            reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(eglGetProcAddress("eglQueryDeviceStringEXT"));
        auto getPlatformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        EGLDeviceEXT devices[maxDevices];
        EGLint count = 0;
        if (!queryDevices || !queryDeviceString || !getPlatformDisplay || !queryDevices(maxDevices, devices, &count))
            return false;
        std::vector<EGLint> order;
        for (EGLint i = 0; i < count; ++i)
            if (!hasExtension(queryDeviceString(devices[i], EGL_EXTENSIONS), "EGL_MESA_device_software"))
                order.push_back(i);
        if (takeSoftware)
            for (EGLint i = 0; i < count; ++i)
                if (hasExtension(queryDeviceString(devices[i], EGL_EXTENSIONS), "EGL_MESA_device_software"))
                    order.push_back(i);
        for (EGLint i : order) {
            if (!openContext(getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr)))
                continue;
            const char* extensions = queryDeviceString(devices[i], EGL_EXTENSIONS);
            description = "EGL device platform, device " + std::to_string(i) + " of " + std::to_string(count) +
                          " (" + (extensions && *extensions ? extensions : "no device extensions") + ")";
            return true;
        }
        return false;
    }

    bool initEgl()
    {
        if (context)
            return true;
        const std::string forced = forcedPlatform();
        bool opened = false;
        if (forced == "device")
            opened = openDevice(true);
        else if (forced == "surfaceless")
            opened = openSurfaceless();
        else
            opened = openDevice(false) || openSurfaceless() || openDevice(true);
        if (!opened) {
            std::fprintf(stderr, "headless: no EGL platform gives an OpenGL context with framebuffer objects%s "
                                 "(is Mesa's libegl-mesa0 installed?)\n",
                         forced.empty() ? "" : (" (TALVOREN_EGL_PLATFORM=" + forced + ")").c_str());
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
    std::string description; // which platform and device the context came from
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = nullptr;
    OffscreenSurface surface;
};

} // namespace

std::unique_ptr<BackendImpl> makeHeadlessBackend() { return std::make_unique<HeadlessBackend>(); }

} // namespace os::detail
