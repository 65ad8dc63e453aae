// What each backend of the operating-system layer provides. os.cpp owns what both share (the
// message loop's order, timers, quit, message-box hook, dialogs' fallback) and forwards the
// rest to the selected backend. Internal to platform/.
#pragma once

#include "platform/os.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace os {

struct Window {
    WindowProc proc = nullptr;
    int width = 0; // visible client size
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

    virtual bool changeDisplayMode(int width, int height, int bits) = 0;
    virtual void restoreDisplayMode() = 0;
    virtual bool createWindow(Window& window, const char* title, int x, int y) = 0;
    virtual bool destroyWindow(Window& window) = 0;
    virtual void showWindow(Window& window) = 0;
    virtual void showCursor(bool visible) = 0;
    virtual bool createContext(Window& window) = 0;
    virtual bool makeCurrent(Window& window, bool current) = 0;
    virtual bool deleteContext(Window& window) = 0;
    virtual void swapBuffers(Window& window) = 0;
    virtual bool readFrame(Window& window, std::vector<uint8_t>& rgba, int& width, int& height) = 0;
    virtual bool readFrameInto(Window& window, void* destination) = 0;
    virtual void* getProcAddress(const char* name) = 0;
    // Returns the answer, or 0 when it could not show a box (the caller then prints it).
    virtual int messageBox(const char* text, const char* caption, unsigned flags) = 0;
};

std::unique_ptr<BackendImpl> makeSdlBackend();
std::unique_ptr<BackendImpl> makeHeadlessBackend();

// The Windows virtual-key code of an SDL key code (0xFF for keys that have none).
uint32_t virtualKeyOfSdlKey(int32_t sdlKeycode);

// Vertical sync wanted for swaps (set by os::setVsync).
bool vsyncWanted();

} // namespace detail
} // namespace os
