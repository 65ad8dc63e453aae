#include "app/window.h"

#include "app/settings_dialog.h"
#include "app/startup.h"

#include "platform/gl.h"

os::Window* windowHandle = nullptr;
os::Window* deviceContext = nullptr;
bool desktopFullscreen = false;

namespace {

bool renderingContext = false;

constexpr const char* windowClassName = "OpenGL";
constexpr int windowedX = 200; // windowed position of the client area's frame
constexpr int windowedY = 100;

// Filled on the first openWindow. One accumulation bit and one stencil bit are what the
// window's own buffers are asked for; the drawing itself goes into the layer's offscreen surface
// with 24 bits of depth and 8 of stencil.
os::PixelFormatDescriptor pixelFormat{};
bool pixelFormatFilled = false;

void fillPixelFormat(int bits)
{
    pixelFormat = os::PixelFormatDescriptor{};
    pixelFormat.nSize = sizeof(os::PixelFormatDescriptor);
    pixelFormat.nVersion = 1;
    pixelFormat.dwFlags = os::PFD_DRAW_TO_WINDOW | os::PFD_SUPPORT_OPENGL | os::PFD_DOUBLEBUFFER;
    pixelFormat.iPixelType = os::PFD_TYPE_RGBA;
    pixelFormat.cColorBits = uint8_t(bits);
    pixelFormat.cAccumBits = 1;
    pixelFormat.cDepthBits = 16;
    pixelFormat.cStencilBits = 1;
    pixelFormat.cAuxBuffers = 0;
    pixelFormat.iLayerType = os::PFD_MAIN_PLANE;
    pixelFormatFilled = true;
}

void showOpenFailure(const char* text) { os::messageBox(text, "ERROR", os::MB_OK | os::MB_ICONEXCLAMATION); }

// A failure once the window exists: everything made so far is released first.
void reportOpenFailure(const char* text)
{
    closeWindow();
    showOpenFailure(text);
}

void reportShutdownFailure(const char* text)
{
    os::messageBox(text, "SHUTDOWN ERROR", os::MB_OK | os::MB_ICONINFORMATION);
}

} // namespace

bool openWindow(const char* title, int width, int height, int bits, bool fullscreenWanted)
{
    fullscreen = fullscreenWanted;

    if (!os::registerWindowClass(windowClassName)) {
        showOpenFailure("Failed To Register The Window Class.");
        return false;
    }
    if (fullscreen && !desktopFullscreen && !os::changeDisplayMode(width, height, bits)) {
        const int answer = os::messageBox(
            "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?",
            windowTitle, os::MB_YESNO | os::MB_ICONEXCLAMATION);
        if (answer == os::IDYES) {
            fullscreen = false;
        } else {
            os::messageBox("Program Will Now Close.", "ERROR", os::MB_OK | os::MB_ICONSTOP);
            return false;
        }
    }
    if (fullscreen)
        os::showCursor(false);

    windowHandle = os::createWindow(title, fullscreen ? 0 : windowedX, fullscreen ? 0 : windowedY, width,
                                    height, fullscreen, windowProc);
    if (!windowHandle) {
        reportOpenFailure("Window Creation Error.");
        return false;
    }
    if (!pixelFormatFilled)
        fillPixelFormat(bits);
    if (!os::getDeviceContext(windowHandle)) {
        reportOpenFailure("Can't Create A GL Device Context.");
        return false;
    }
    deviceContext = windowHandle;
    const int format = os::choosePixelFormat(windowHandle, pixelFormat);
    if (format == 0) {
        reportOpenFailure("Can't Find A Suitable PixelFormat.");
        return false;
    }
    if (!os::setPixelFormat(windowHandle, format, pixelFormat)) {
        reportOpenFailure("Can't Set The PixelFormat.");
        return false;
    }
    if (!os::createContext(windowHandle)) {
        reportOpenFailure("Can't Create A GL Rendering Context.");
        return false;
    }
    renderingContext = true;
    if (!os::makeCurrent(windowHandle, true)) {
        reportOpenFailure("Can't Activate The GL Rendering Context.");
        return false;
    }

    os::showWindow(windowHandle);
    resizeView(width, height);
    preInit();
    worldInit();
    return true;
}

void closeWindow()
{
    if (fullscreen) {
        if (!desktopFullscreen)
            os::restoreDisplayMode();
        os::showCursor(true);
    }
    if (renderingContext) {
        if (!os::makeCurrent(windowHandle, false))
            reportShutdownFailure("Release Of DC And RC Failed.");
        if (!os::deleteContext(windowHandle))
            reportShutdownFailure("Release Rendering Context Failed.");
        renderingContext = false;
    }
    if (deviceContext && !os::releaseDeviceContext(deviceContext))
        reportShutdownFailure("Release Device Context Failed.");
    deviceContext = nullptr;
    if (windowHandle && !os::destroyWindow(windowHandle))
        reportShutdownFailure("Could Not Release hWnd.");
    windowHandle = nullptr;
    if (!os::unregisterWindowClass(windowClassName))
        reportShutdownFailure("Could Not Unregister Class.");
}

void resizeView(int width, int height)
{
    if (height == 0)
        height = 1; // a collapsed window keeps a one-pixel viewport instead of dividing by zero
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, double(width) / double(height), 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

intptr_t windowProc(os::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case os::WM_SIZE:
        resizeView(int(lParam & 0xFFFF), int((lParam >> 16) & 0xFFFF));
        return 0;
    case os::WM_CLOSE:
        os::postQuitMessage(0);
        return 0;
    case os::WM_SYSCOMMAND:
        // Neither the screen saver nor monitor power-saving may start while the demo plays.
        if (wParam == os::SC_SCREENSAVE || wParam == os::SC_MONITORPOWER)
            return 0;
        break;
    case os::WM_ACTIVATE:
    case os::WM_KEYDOWN:
    case os::WM_KEYUP:
        return 0;
    default:
        break;
    }
    return os::defWindowProc(window, message, wParam, lParam);
}
