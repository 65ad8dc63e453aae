// Shared half of the operating-system layer: backend selection, the message loop's order,
// timers, the quit request and message boxes.
#include "platform/backend.h"
#include "platform/timer_queue.h"

#include <cstdio>

namespace os {
namespace {

Backend selected = Backend::Windowed;
std::unique_ptr<detail::BackendImpl> impl;
TimerQueue timers;
bool quitPosted = false;
int quitCode = 0;
bool vsync = false;
bool desktopFullscreen = false;
MessageBoxHook messageBoxHook;

detail::BackendImpl& current()
{
    if (!impl)
        impl = selected == Backend::Headless ? detail::makeHeadlessBackend() : detail::makeWindowedBackend();
    return *impl;
}

bool takeTimer(Message& message)
{
    TimerQueue::Expiry expiry;
    if (!timers.takeDue(current().nowMicros(), expiry))
        return false;
    message.window = expiry.window;
    message.message = WM_TIMER;
    message.wParam = expiry.id;
    message.lParam = reinterpret_cast<intptr_t>(expiry.proc);
    return true;
}

bool takeQuit(Message& message)
{
    if (!quitPosted)
        return false;
    quitPosted = false;
    message = Message{nullptr, WM_QUIT, uintptr_t(quitCode), 0};
    return true;
}

} // namespace

void selectBackend(Backend backend)
{
    if (impl && backend != selected)
        impl.reset();
    selected = backend;
}

Backend backend() { return selected; }
bool isHeadless() { return selected == Backend::Headless; }
void setVsync(bool enabled) { vsync = enabled; }
bool detail::vsyncWanted() { return vsync; }
void setDesktopFullscreen(bool enabled) { desktopFullscreen = enabled; }
bool detail::desktopFullscreenWanted() { return desktopFullscreen; }

bool peekMessage(Message& message)
{
    if (current().pollInput(message) || takeQuit(message) || takeTimer(message))
        return true;
    current().idle(timers.nextDue());
    return current().pollInput(message) || takeQuit(message) || takeTimer(message);
}

intptr_t dispatchMessage(const Message& message)
{
    if (current().dispatchNative(message))
        return 0;
    if (message.message == WM_TIMER && message.lParam != 0) {
        auto proc = reinterpret_cast<TimerProc>(message.lParam);
        proc(message.window, WM_TIMER, message.wParam, getTickCount());
        return 0;
    }
    if (message.window && message.window->proc)
        return message.window->proc(message.window, message.message, message.wParam, message.lParam);
    return 0;
}

void detail::dispatchDueTimers()
{
    Message message;
    while (takeTimer(message))
        dispatchMessage(message);
}

void postQuitMessage(int exitCode)
{
    quitPosted = true;
    quitCode = exitCode;
}

intptr_t defWindowProc(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    constexpr intptr_t altDownBit = intptr_t(1) << 29;
    if (!window || !window->proc)
        return 0;
    if (intptr_t result = 0; current().defaultWindowProc(*window, message, wParam, lParam, result))
        return result;
    if (message == WM_SYSKEYDOWN && wParam == VK_F4 && (lParam & altDownBit))
        return window->proc(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE)
        return window->proc(window, WM_CLOSE, 0, 0);
    return 0;
}

void setTimer(Window* window, uintptr_t id, uint32_t periodMs, TimerProc proc)
{
    timers.set(window, id, periodMs, proc, current().nowMicros());
}

bool killTimer(Window* window, uintptr_t id) { return timers.kill(window, id); }

uint32_t getTickCount() { return uint32_t(current().nowMicros() / 1000); }

bool changeDisplayMode(int width, int height, int bits)
{
    return current().changeDisplayMode(width, height, bits);
}

void restoreDisplayMode() { current().restoreDisplayMode(); }

Window* createWindow(const char* title, int x, int y, int width, int height, bool fullscreen,
                     WindowProc proc)
{
    auto* window = new Window;
    window->proc = proc;
    window->width = width;
    window->height = height;
    window->fullscreen = fullscreen;
    if (!current().createWindow(*window, title, x, y)) {
        delete window;
        return nullptr;
    }
    return window;
}

bool destroyWindow(Window* window)
{
    if (!window)
        return false;
    bool ok = current().destroyWindow(*window);
    delete window;
    return ok;
}

void showWindow(Window* window)
{
    if (window)
        current().showWindow(*window);
}

void showCursor(bool visible) { current().showCursor(visible); }
bool registerWindowClass(const char* className) { return className && current().registerWindowClass(className); }
bool unregisterWindowClass(const char* className) { return className && current().unregisterWindowClass(className); }
bool getDeviceContext(Window* window) { return window && current().getDeviceContext(*window); }
bool releaseDeviceContext(Window* window) { return window && current().releaseDeviceContext(*window); }

int choosePixelFormat(Window* window, const PixelFormatDescriptor& descriptor)
{
    return window ? current().choosePixelFormat(*window, descriptor) : 0;
}

bool setPixelFormat(Window* window, int format, const PixelFormatDescriptor& descriptor)
{
    return window && format > 0 && current().setPixelFormat(*window, format, descriptor);
}
bool createContext(Window* window) { return window && current().createContext(*window); }
bool makeCurrent(Window* window, bool isCurrent) { return window && current().makeCurrent(*window, isCurrent); }
bool deleteContext(Window* window) { return window && current().deleteContext(*window); }

void swapBuffers(Window* window)
{
    if (window)
        current().swapBuffers(*window);
}

void clientSize(Window* window, int& width, int& height)
{
    width = window ? window->width : 0;
    height = window ? window->height : 0;
}

bool readFrame(Window* window, std::vector<uint8_t>& rgba, int& width, int& height)
{
    return window && current().readFrame(*window, rgba, width, height);
}

bool readFrameInto(Window* window, void* destination)
{
    return window && current().readFrameInto(*window, destination);
}

void* getProcAddress(const char* name) { return current().getProcAddress(name); }
std::string contextDescription() { return current().contextDescription(); }

void setMessageBoxHook(MessageBoxHook hook) { messageBoxHook = std::move(hook); }

int messageBox(const char* text, const char* caption, unsigned flags)
{
    const char* shownText = text ? text : "";
    const char* shownCaption = caption ? caption : "";
    if (messageBoxHook)
        return messageBoxHook(shownText, shownCaption, flags);
    if (!isHeadless()) {
        if (int answer = current().messageBox(shownText, shownCaption, flags))
            return answer;
    }
    std::fprintf(stderr, "%s: %s\n", shownCaption, shownText);
    return (flags & 0xF) == MB_YESNO ? IDYES : IDOK;
}

} // namespace os
