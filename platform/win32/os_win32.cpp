// Win32 backend: the program's window is a real Win32 window of its own class, with a wgl
// context on a device context whose pixel format the program chose; messages come from the
// thread's own queue and go back through TranslateMessage and DispatchMessage; the display mode
// changes with ChangeDisplaySettings; boxes are MessageBoxA. Timers are the program's own queue
// (platform/timer_queue.h) on QueryPerformanceCounter, and the loop sleeps in
// MsgWaitForMultipleObjectsEx until the next one is due or input arrives, with the system timer
// at 1 ms (SetTimer would tick at 15.6 ms and halve the frame rate).
//
// Drawing goes into the offscreen surface (RGBA8, 24-bit depth, 8-bit stencil) shown with a blit
// at each swap, exactly as on Linux, so the pixels and readFrame are the same on both systems.
// The headless variant is the same window never shown, on the virtual clock.
//
// While the user drags or resizes the window, Windows runs a loop of its own inside
// DispatchMessage; a 1 ms native timer between WM_ENTERSIZEMOVE and WM_EXITSIZEMOVE keeps the
// program's timers (its frames and events) coming meanwhile.
//
// Windows' headers come last: their macros (WM_SIZE, MB_OK, ...) would rewrite the same names
// declared by platform/os.h, which is why no portable file includes them.
#include "platform/backend.h"
#include "platform/offscreen_surface.h"
#include "platform/virtual_clock.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <windows.h>
#include <mmsystem.h>

#include "platform/gl.h"

namespace os::detail {
namespace {

constexpr UINT_PTR sizeMoveTimerId = 0x7A1; // the native timer that runs frames during a drag
constexpr DWORD longestWaitMs = 100;         // idle waits are bounded even with no timer armed
constexpr const char* defaultClassName = "OpenGL";

static_assert(sizeof(PIXELFORMATDESCRIPTOR) == sizeof(PixelFormatDescriptor),
              "os::PixelFormatDescriptor mirrors PIXELFORMATDESCRIPTOR");

struct Win32Window {
    HWND hwnd = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
    bool pixelFormatSet = false;
    OffscreenSurface surface;
};

// ---- The desktop's display mode, restored on every way out ------------------------------------

bool displayModeChanged = false;

void restoreDesktopMode()
{
    if (displayModeChanged) {
        ChangeDisplaySettingsA(nullptr, 0);
        displayModeChanged = false;
    }
}

LONG WINAPI restoreOnCrash(EXCEPTION_POINTERS*)
{
    restoreDesktopMode();
    return EXCEPTION_CONTINUE_SEARCH;
}

BOOL WINAPI restoreOnConsoleEvent(DWORD)
{
    restoreDesktopMode();
    return FALSE; // the default handler still ends the process
}

// exit() from anywhere (the dialog's Cancel, a fatal sound error), an unhandled crash and a
// console's Ctrl-C or close all give the desktop its mode back.
void restoreOnEveryExit()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    std::atexit(restoreDesktopMode);
    SetUnhandledExceptionFilter(restoreOnCrash);
    SetConsoleCtrlHandler(restoreOnConsoleEvent, TRUE);
}

// ---- GL entry points --------------------------------------------------------------------------

// wglGetProcAddress knows only extension and post-1.1 functions (and some drivers answer small
// integers for "no"); the 1.1 core lives in opengl32.dll itself.
void* lookupGl(const char* name)
{
    const auto address = reinterpret_cast<intptr_t>(wglGetProcAddress(name));
    if (address != 0 && address != 1 && address != 2 && address != 3 && address != -1)
        return reinterpret_cast<void*>(address);
    static HMODULE openGl = LoadLibraryA("opengl32.dll");
    return openGl ? reinterpret_cast<void*>(GetProcAddress(openGl, name)) : nullptr;
}

// ---- The window procedure ---------------------------------------------------------------------

Window* programWindowOf(HWND hwnd) { return reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)); }

LRESULT CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        // The window's own record learns its handle now: messages sent while CreateWindowEx is
        // still running already need the default handling.
        const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* window = static_cast<Window*>(creation->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
        if (window && window->native)
            static_cast<Win32Window*>(window->native)->hwnd = hwnd;
    }
    switch (message) {
    case WM_ENTERSIZEMOVE:
        SetTimer(hwnd, sizeMoveTimerId, 1, nullptr);
        break;
    case WM_EXITSIZEMOVE:
        KillTimer(hwnd, sizeMoveTimerId);
        break;
    case WM_TIMER:
        if (wParam == sizeMoveTimerId) {
            dispatchDueTimers();
            return 0;
        }
        break;
    default:
        break;
    }
    Window* window = programWindowOf(hwnd);
    // The picture keeps its size in a window of any size: the program hears of a resize with the
    // picture's size, and not at all while the window is minimised.
    if (message == WM_SIZE && window) {
        if (wParam == SIZE_MINIMIZED || HIWORD(lParam) == 0)
            return 0;
        lParam = MAKELPARAM(window->width, window->height);
    }
    // Every other message goes to the program's window procedure with its own number: the
    // program's message constants are Win32's.
    if (window && window->proc)
        return LRESULT(window->proc(window, message, wParam, lParam));
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class Win32Backend final : public BackendImpl {
public:
    explicit Win32Backend(bool headless) : headless(headless)
    {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        counterFrequency = uint64_t(frequency.QuadPart);
        instance = GetModuleHandleA(nullptr);
        if (!headless)
            timerResolutionSet = timeBeginPeriod(1) == TIMERR_NOERROR;
    }

    ~Win32Backend() override
    {
        restoreDesktopMode();
        if (timerResolutionSet)
            timeEndPeriod(1);
    }

    uint64_t nowMicros() override
    {
        if (headless)
            return clock.nowMicros();
        LARGE_INTEGER counter;
        QueryPerformanceCounter(&counter);
        const uint64_t ticks = uint64_t(counter.QuadPart);
        return ticks / counterFrequency * 1'000'000 + ticks % counterFrequency * 1'000'000 / counterFrequency;
    }

    bool pollInput(Message& message) override
    {
        MSG native;
        while (PeekMessageA(&native, nullptr, 0, 0, PM_REMOVE)) {
            if (native.message == WM_QUIT) {
                message = Message{nullptr, WM_QUIT, native.wParam, 0};
                return true;
            }
            if (headless) {
                // No input reaches a headless run; the hidden window's own messages are handled.
                TranslateMessage(&native);
                DispatchMessageA(&native);
                continue;
            }
            taken = native;
            takenPending = true;
            message = Message{native.hwnd ? programWindowOf(native.hwnd) : nullptr, native.message,
                              native.wParam, native.lParam};
            return true;
        }
        return false;
    }

    bool dispatchNative(const Message& message) override
    {
        if (!takenPending || message.message != taken.message || message.wParam != taken.wParam ||
            message.lParam != taken.lParam)
            return false;
        takenPending = false;
        TranslateMessage(&taken);
        DispatchMessageA(&taken);
        return true;
    }

    bool defaultWindowProc(Window& window, uint32_t message, uintptr_t wParam, intptr_t lParam,
                           intptr_t& result) override
    {
        auto* record = static_cast<Win32Window*>(window.native);
        if (!record || !record->hwnd)
            return false;
        result = intptr_t(DefWindowProcA(record->hwnd, message, wParam, lParam));
        return true;
    }

    void idle(std::optional<uint64_t> nextDueMicros) override
    {
        if (headless) {
            clock.advanceTo(nextDueMicros);
            return;
        }
        DWORD waitMs = longestWaitMs;
        if (nextDueMicros) {
            const uint64_t now = nowMicros();
            waitMs = *nextDueMicros > now ? DWORD(std::min<uint64_t>((*nextDueMicros - now) / 1000, longestWaitMs)) : 0;
        }
        if (waitMs > 0)
            MsgWaitForMultipleObjectsEx(0, nullptr, waitMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }

    bool changeDisplayMode(int width, int height, int bits) override
    {
        if (headless)
            return true; // a headless "full screen" is simply the chosen size
        DEVMODEA mode;
        std::memset(&mode, 0, sizeof mode);
        mode.dmSize = sizeof mode;
        mode.dmPelsWidth = DWORD(width);
        mode.dmPelsHeight = DWORD(height);
        mode.dmBitsPerPel = DWORD(bits);
        mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL)
            return false;
        displayModeChanged = true;
        restoreOnEveryExit();
        return true;
    }

    void restoreDisplayMode() override { restoreDesktopMode(); }

    bool registerWindowClass(const char* name) override
    {
        WNDCLASSA windowClass;
        std::memset(&windowClass, 0, sizeof windowClass);
        windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
        windowClass.lpfnWndProc = windowProcedure;
        windowClass.hInstance = instance;
        windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_WINLOGO));
        windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        windowClass.lpszClassName = name;
        if (!RegisterClassA(&windowClass))
            return false;
        className = name;
        return true;
    }

    bool unregisterWindowClass(const char* name) override
    {
        if (!UnregisterClassA(name, instance))
            return false;
        if (className == name)
            className.clear();
        return true;
    }

    bool createWindow(Window& window, const char* title, int x, int y) override
    {
        // Tools and tests that only want a context skip the class step: it is taken for them.
        if (className.empty() && !registerWindowClass(defaultClassName))
            return false;
        DWORD style = WS_OVERLAPPEDWINDOW;
        DWORD extendedStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
        if (window.fullscreen || headless) {
            style = WS_POPUP;
            extendedStyle = WS_EX_APPWINDOW;
        }
        RECT rectangle{0, 0, window.width, window.height};
        AdjustWindowRectEx(&rectangle, style, FALSE, extendedStyle);
        // Full screen on the desktop: the whole monitor in its own mode, the picture scaled.
        if (window.fullscreen && !headless && desktopFullscreenWanted()) {
            MONITORINFO monitor{};
            monitor.cbSize = sizeof monitor;
            GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
            rectangle = monitor.rcMonitor;
            x = rectangle.left;
            y = rectangle.top;
        }
        auto* record = new Win32Window;
        window.native = record;
        record->hwnd = CreateWindowExA(extendedStyle, className.c_str(), title,
                                       style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, x, y,
                                       rectangle.right - rectangle.left, rectangle.bottom - rectangle.top,
                                       nullptr, nullptr, instance, &window);
        if (!record->hwnd) {
            delete record;
            window.native = nullptr;
            return false;
        }
        return true;
    }

    bool destroyWindow(Window& window) override
    {
        auto* record = static_cast<Win32Window*>(window.native);
        if (!record)
            return false;
        const bool destroyed = record->hwnd && DestroyWindow(record->hwnd);
        delete record;
        window.native = nullptr;
        return destroyed;
    }

    void showWindow(Window& window) override
    {
        auto* record = static_cast<Win32Window*>(window.native);
        if (headless || !record)
            return;
        ShowWindow(record->hwnd, SW_SHOW);
        SetForegroundWindow(record->hwnd);
        SetFocus(record->hwnd);
    }

    void showCursor(bool visible) override
    {
        if (!headless)
            ShowCursor(visible ? TRUE : FALSE);
    }

    bool getDeviceContext(Window& window) override
    {
        auto* record = static_cast<Win32Window*>(window.native);
        if (!record)
            return false;
        record->dc = GetDC(record->hwnd);
        return record->dc != nullptr;
    }

    bool releaseDeviceContext(Window& window) override
    {
        auto* record = static_cast<Win32Window*>(window.native);
        if (!record || !record->dc)
            return false;
        const bool released = ReleaseDC(record->hwnd, record->dc) == 1;
        record->dc = nullptr;
        return released;
    }

    int choosePixelFormat(Window& window, const PixelFormatDescriptor& descriptor) override
    {
        auto* record = static_cast<Win32Window*>(window.native);
        if (!record || !record->dc)
            return 0;
        PIXELFORMATDESCRIPTOR native;
        std::memcpy(&native, &descriptor, sizeof native);
        return ChoosePixelFormat(record->dc, &native);
    }

    bool setPixelFormat(Window& window, int format, const PixelFormatDescriptor& descriptor) override
    {
        auto* record = static_cast<Win32Window*>(window.native);
        if (!record || !record->dc)
            return false;
        PIXELFORMATDESCRIPTOR native;
        std::memcpy(&native, &descriptor, sizeof native);
        record->pixelFormatSet = SetPixelFormat(record->dc, format, &native) != FALSE;
        if (record->pixelFormatSet)
            pixelFormatIndex = format;
        return record->pixelFormatSet;
    }

    bool createContext(Window& window) override
    {
        auto* record = static_cast<Win32Window*>(window.native);
        if (!record)
            return false;
        if (!record->dc && !getDeviceContext(window))
            return false;
        if (!record->pixelFormatSet && !setDefaultPixelFormat(window))
            return false;
        record->context = wglCreateContext(record->dc);
        if (!record->context)
            return false;
        // The offscreen surface needs framebuffer objects: a driver without them (Windows' own
        // OpenGL 1.1 in a virtual machine or over remote desktop) cannot run the show.
        if (!wglMakeCurrent(record->dc, record->context) ||
            !record->surface.create(window.width, window.height, &lookupGl)) {
            std::fprintf(stderr, "talvoren: this OpenGL driver has no framebuffer objects\n");
            wglMakeCurrent(nullptr, nullptr);
            wglDeleteContext(record->context);
            record->context = nullptr;
            return false;
        }
        using SwapIntervalCall = BOOL(WINAPI*)(int);
        if (auto setInterval = reinterpret_cast<SwapIntervalCall>(lookupGl("wglSwapIntervalEXT")))
            setInterval(vsyncWanted() ? 1 : 0);
        return true;
    }

    bool makeCurrent(Window& window, bool current) override
    {
        auto* record = static_cast<Win32Window*>(window.native);
        if (!record || !record->context)
            return false;
        if (!current)
            return wglMakeCurrent(nullptr, nullptr) != FALSE;
        if (!wglMakeCurrent(record->dc, record->context))
            return false;
        record->surface.bind();
        return true;
    }

    bool deleteContext(Window& window) override
    {
        auto* record = static_cast<Win32Window*>(window.native);
        if (!record || !record->context)
            return false;
        if (wglMakeCurrent(record->dc, record->context))
            record->surface.destroy();
        wglMakeCurrent(nullptr, nullptr);
        const bool deleted = wglDeleteContext(record->context) != FALSE;
        record->context = nullptr;
        return deleted;
    }

    void swapBuffers(Window& window) override
    {
        auto* record = static_cast<Win32Window*>(window.native);
        if (!record || !record->context || headless)
            return; // headless, the frame stays in the surface for readFrame
        RECT client{};
        GetClientRect(record->hwnd, &client);
        record->surface.presentToWindow(client.right - client.left, client.bottom - client.top);
        SwapBuffers(record->dc);
    }

    bool readFrame(Window& window, std::vector<uint8_t>& rgba, int& width, int& height) override
    {
        auto* record = static_cast<Win32Window*>(window.native);
        if (!record)
            return false;
        width = record->surface.visibleWidth();
        height = record->surface.visibleHeight();
        return record->surface.read(rgba);
    }

    bool readFrameInto(Window& window, void* destination) override
    {
        auto* record = static_cast<Win32Window*>(window.native);
        return record && record->surface.readInto(destination);
    }

    void* getProcAddress(const char* name) override { return lookupGl(name); }

    std::string contextDescription() override { return "wgl, pixel format " + std::to_string(pixelFormatIndex); }

    int messageBox(const char* text, const char* caption, unsigned flags) override
    {
        return MessageBoxA(nullptr, text, caption, flags);
    }

private:
    // For callers that skipped the pixel-format step: the program's own request.
    bool setDefaultPixelFormat(Window& window)
    {
        PixelFormatDescriptor descriptor{};
        descriptor.nSize = sizeof descriptor;
        descriptor.nVersion = 1;
        descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        descriptor.iPixelType = PFD_TYPE_RGBA;
        descriptor.cColorBits = 32;
        descriptor.cDepthBits = 24;
        descriptor.cStencilBits = 8;
        const int format = choosePixelFormat(window, descriptor);
        return format != 0 && setPixelFormat(window, format, descriptor);
    }

    bool headless;
    VirtualClock clock;
    uint64_t counterFrequency = 1;
    bool timerResolutionSet = false;
    HINSTANCE instance = nullptr;
    std::string className;
    MSG taken{};           // the last native message pollInput handed out
    int pixelFormatIndex = 0;
    bool takenPending = false;
};

} // namespace

std::unique_ptr<BackendImpl> makeWindowedBackend() { return std::make_unique<Win32Backend>(false); }
std::unique_ptr<BackendImpl> makeHeadlessBackend() { return std::make_unique<Win32Backend>(true); }

} // namespace os::detail
