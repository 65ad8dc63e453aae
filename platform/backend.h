// What each backend of the operating-system layer provides. os.cpp owns what both share (the
// message loop's order, timers, quit, message-box hook, dialogs' fallback) and forwards the
// rest to the selected backend. Internal to platform/.
#pragma once

#include "platform/os.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace os {

struct Window {
    WindowProc proc = nullptr;
    int width = 0; // the picture: the drawing surface's visible size, whatever the window's
    int height = 0;
    bool fullscreen = false;
    void* native = nullptr; // the backend's own window record
};

namespace detail {

class BackendImpl {
public:
    virtual ~BackendImpl() = default;

    // Monotonic clock in microseconds; the tick count is derived from it.
    virtual uint64_t nowMicros() = 0;
    // Takes one input or window message, if any is waiting.
    virtual bool pollInput(Message& message) = 0;
    // Nothing is pending. The real backend may wait briefly (never past nextDue); the virtual
    // clock jumps straight to nextDue.
    virtual void idle(std::optional<uint64_t> nextDueMicros) = 0;

    // Hands a message that pollInput took to the platform's own dispatcher, if it came from
    // there; false leaves it to the program's window procedure.
    virtual bool dispatchNative(const Message&) { return false; }
    // The platform's own default handling of a window message, if it has one (Win32's
    // DefWindowProc): true with its result; false leaves it to the shared emulation.
    virtual bool defaultWindowProc(Window&, uint32_t, uintptr_t, intptr_t, intptr_t&) { return false; }

    virtual bool changeDisplayMode(int width, int height, int bits) = 0;
    virtual void restoreDisplayMode() = 0;
    virtual bool createWindow(Window& window, const char* title, int x, int y) = 0;
    virtual bool destroyWindow(Window& window) = 0;
    virtual void showWindow(Window& window) = 0;
    virtual void showCursor(bool visible) = 0;
    // The Win32 creation steps; backends that have no such steps let them succeed.
    virtual bool registerWindowClass(const char*) { return true; }
    virtual bool unregisterWindowClass(const char*) { return true; }
    virtual bool getDeviceContext(Window&) { return true; }
    virtual bool releaseDeviceContext(Window&) { return true; }
    virtual int choosePixelFormat(Window&, const PixelFormatDescriptor&) { return 1; }
    virtual bool setPixelFormat(Window&, int, const PixelFormatDescriptor&) { return true; }
    virtual bool createContext(Window& window) = 0;
    virtual bool makeCurrent(Window& window, bool current) = 0;
    virtual bool deleteContext(Window& window) = 0;
    virtual void swapBuffers(Window& window) = 0;
    virtual bool readFrame(Window& window, std::vector<uint8_t>& rgba, int& width, int& height) = 0;
    virtual bool readFrameInto(Window& window, void* destination) = 0;
    virtual void* getProcAddress(const char* name) = 0;
    // Where the context came from (platform, device), for the log; empty when nothing to say.
    virtual std::string contextDescription() { return {}; }
    // Returns the answer, or 0 when it could not show a box (the caller then prints it).
    virtual int messageBox(const char* text, const char* caption, unsigned flags) = 0;
};

// Each platform's build provides both: the windowed backend (SDL on Linux, Win32 on Windows) and
// the headless one (EGL on Linux; a hidden Win32 window on Windows).
std::unique_ptr<BackendImpl> makeWindowedBackend();
std::unique_ptr<BackendImpl> makeHeadlessBackend();

// Vertical sync wanted for swaps (set by os::setVsync).
bool vsyncWanted();
// A full-screen window covers the desktop in its own mode (set by os::setDesktopFullscreen).
bool desktopFullscreenWanted();

// Takes and dispatches every timer that is due now. For a platform that runs a loop of its own
// for a while (Windows while the user drags or resizes the window), so frames keep coming.
void dispatchDueTimers();

} // namespace detail
} // namespace os
