#include "app/window.h"

#include "app/settings_dialog.h"
#include "app/startup.h"

#include <GL/gl.h>
#include <GL/glu.h>

os::Window* windowHandle = nullptr;
os::Window* deviceContext = nullptr;

namespace {

bool renderingContext = false;

constexpr int windowedX = 200; // windowed position of the client area's frame
constexpr int windowedY = 100;

void reportOpenFailure(const char* text)
{
    closeWindow();
    os::messageBox(text, "ERROR", os::MB_OK | os::MB_ICONEXCLAMATION);
}

void reportShutdownFailure(const char* text)
{
    os::messageBox(text, "SHUTDOWN ERROR", os::MB_OK | os::MB_ICONINFORMATION);
}

} // namespace

bool openWindow(const char* title, int width, int height, int bits, bool fullscreenWanted)
{
    fullscreen = fullscreenWanted;

    if (fullscreen && !os::changeDisplayMode(width, height, bits)) {
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
    deviceContext = windowHandle;
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
    deviceContext = nullptr;
    if (windowHandle && !os::destroyWindow(windowHandle))
        reportShutdownFailure("Could Not Release hWnd.");
    windowHandle = nullptr;
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
