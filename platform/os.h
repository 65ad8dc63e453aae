// The operating-system layer: window and OpenGL context, display mode, timers, tick count,
// message loop, message boxes, dialogs and GL entry points.
//
// The program is written against a small Win32-shaped vocabulary (timer messages, virtual-key
// codes, message-box flags and answers, the window's creation steps) because its control flow
// depends on exactly those semantics. Backends implement it: on Windows the Win32 API itself;
// on Linux SDL2 for a real window; and a headless one that renders into an offscreen
// framebuffer on a virtual clock (EGL on Mesa on Linux, a hidden window on Windows). Portable
// code includes only this header; the backend is chosen once, before anything else is called.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace os {

// ---- Backend selection ------------------------------------------------------------------------

enum class Backend { Windowed, Headless };

// Selects the backend. Call once at start-up; the default is Windowed (a real window: Win32 on
// Windows, SDL2 on Linux).
void selectBackend(Backend backend);
Backend backend();
bool isHeadless();

// Swap with vertical sync (off by default: frames are paced by the program's own timer).
void setVsync(bool enabled);

// Full screen at the desktop's own resolution, without changing the display mode: set before a
// full-screen window is created. The picture stays the size asked for and each swap scales it
// to the largest centred rectangle of its aspect, black bars around it.
void setDesktopFullscreen(bool enabled);

// ---- Messages ---------------------------------------------------------------------------------

// Message identifiers, with the values the window procedure and the message loop expect.
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_ACTIVATE = 0x0006;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr uint32_t WM_SYSKEYUP = 0x0105;
constexpr uint32_t WM_INITDIALOG = 0x0110;
constexpr uint32_t WM_COMMAND = 0x0111;
constexpr uint32_t WM_SYSCOMMAND = 0x0112;
constexpr uint32_t WM_TIMER = 0x0113;

constexpr uintptr_t SC_CLOSE = 0xF060;
constexpr uintptr_t SC_SCREENSAVE = 0xF140;
constexpr uintptr_t SC_MONITORPOWER = 0xF170;

// Virtual-key codes used by the backends' key translation (letters and digits are their ASCII
// upper-case codes, as on Windows).
constexpr uint32_t VK_BACK = 0x08;
constexpr uint32_t VK_TAB = 0x09;
constexpr uint32_t VK_RETURN = 0x0D;
constexpr uint32_t VK_SHIFT = 0x10;
constexpr uint32_t VK_CONTROL = 0x11;
constexpr uint32_t VK_MENU = 0x12; // Alt
constexpr uint32_t VK_PAUSE = 0x13;
constexpr uint32_t VK_ESCAPE = 0x1B;
constexpr uint32_t VK_SPACE = 0x20;
constexpr uint32_t VK_LEFT = 0x25;
constexpr uint32_t VK_UP = 0x26;
constexpr uint32_t VK_RIGHT = 0x27;
constexpr uint32_t VK_DOWN = 0x28;
constexpr uint32_t VK_F1 = 0x70;
constexpr uint32_t VK_F4 = 0x73;
constexpr uint32_t VK_F10 = 0x79;

struct Window; // opaque: the one top-level window

struct Message {
    Window* window = nullptr; // null for thread messages (WM_QUIT)
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// The window procedure that receives dispatched messages.
using WindowProc = intptr_t (*)(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Takes the next message without waiting: input first, then a posted quit, then one due timer.
// Returns false when nothing is pending. The headless backend never waits for time to pass:
// when nothing else is pending it advances the virtual clock to the next due timer.
bool peekMessage(Message& message);

// Hands a message to its window procedure, or a timer message to its timer procedure.
intptr_t dispatchMessage(const Message& message);

// Asks the loop to end: the next peekMessage yields WM_QUIT with wParam = exitCode.
void postQuitMessage(int exitCode);

// Window procedure's default handling (system commands such as close via Alt+F4).
intptr_t defWindowProc(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// ---- Timers -----------------------------------------------------------------------------------

using TimerProc = void (*)(Window* window, uint32_t message, uintptr_t id, uint32_t timeMs);

// Arms timer `id`: due after periodMs, then every periodMs until killed. Setting an id again
// replaces it. A due timer yields one WM_TIMER however late it is.
void setTimer(Window* window, uintptr_t id, uint32_t periodMs, TimerProc proc);
bool killTimer(Window* window, uintptr_t id);

// Milliseconds since an arbitrary origin, wrapping at 2^32. Virtual when headless.
uint32_t getTickCount();

// ---- Window and context -----------------------------------------------------------------------

// The window's creation follows the Win32 steps, each of which can fail on its own: register the
// window class, create the window, get its device context, choose and set a pixel format, create
// and activate the rendering context. Backends without such steps let them succeed. Callers that
// only want a context may skip the class, device-context and pixel-format steps: createContext
// then takes them with defaults.

// The pixel format asked of the device context, field for field Win32's PIXELFORMATDESCRIPTOR.
struct PixelFormatDescriptor {
    uint16_t nSize;
    uint16_t nVersion;
    uint32_t dwFlags;
    uint8_t iPixelType;
    uint8_t cColorBits;
    uint8_t cRedBits, cRedShift, cGreenBits, cGreenShift, cBlueBits, cBlueShift, cAlphaBits, cAlphaShift;
    uint8_t cAccumBits, cAccumRedBits, cAccumGreenBits, cAccumBlueBits, cAccumAlphaBits;
    uint8_t cDepthBits;
    uint8_t cStencilBits;
    uint8_t cAuxBuffers;
    uint8_t iLayerType;
    uint8_t bReserved;
    uint32_t dwLayerMask, dwVisibleMask, dwDamageMask;
};
static_assert(sizeof(PixelFormatDescriptor) == 40, "the layout of Win32's PIXELFORMATDESCRIPTOR");

constexpr uint32_t PFD_DOUBLEBUFFER = 0x00000001;
constexpr uint32_t PFD_DRAW_TO_WINDOW = 0x00000004;
constexpr uint32_t PFD_SUPPORT_OPENGL = 0x00000020;
constexpr uint8_t PFD_TYPE_RGBA = 0;
constexpr uint8_t PFD_MAIN_PLANE = 0;

// The class every window of the program is created with.
bool registerWindowClass(const char* className);
bool unregisterWindowClass(const char* className);

// Checks that the display can switch to exactly width x height (and remembers it for the next
// full-screen window). False when the display refuses that mode.
bool changeDisplayMode(int width, int height, int bits);
// Gives the desktop its own mode back.
void restoreDisplayMode();

// Creates the window with a client area of width x height at (x, y); full screen covers the
// display in the mode last accepted by changeDisplayMode (or, with setDesktopFullscreen, in the
// desktop's own mode). width x height is the picture: the drawing surface keeps that size
// whatever the window's (resized, maximised, full screen on the desktop, scaled for high DPI),
// WM_SIZE reports it, and each swap shows it scaled to the window with its aspect kept. Null on
// failure.
Window* createWindow(const char* title, int x, int y, int width, int height, bool fullscreen,
                     WindowProc proc);
bool destroyWindow(Window* window);
void showWindow(Window* window);
void showCursor(bool visible);

// The window's own device context, released before the window is destroyed.
bool getDeviceContext(Window* window);
bool releaseDeviceContext(Window* window);
// The best pixel format of the device context for the descriptor: its index, 0 for none.
int choosePixelFormat(Window* window, const PixelFormatDescriptor& descriptor);
bool setPixelFormat(Window* window, int format, const PixelFormatDescriptor& descriptor);

// A double-buffered RGBA OpenGL compatibility context with depth and stencil. Drawing surfaces
// are never smaller than 512x512: smaller windows draw into an offscreen framebuffer whose
// lower-left region is shown at each swap.
bool createContext(Window* window);
bool makeCurrent(Window* window, bool current);
bool deleteContext(Window* window);
void swapBuffers(Window* window);

// Size of the visible client area.
void clientSize(Window* window, int& width, int& height);

// Reads the visible region of the drawing surface (lower-left width x height) as RGBA rows,
// bottom row first. Valid after swapBuffers as well as before.
bool readFrame(Window* window, std::vector<uint8_t>& rgba, int& width, int& height);
// The same rows into clientSize-sized memory at destination, or into the bound pixel-pack
// buffer at that offset (so the copy can finish while the next frame is drawn).
bool readFrameInto(Window* window, void* destination);

// OpenGL entry point by name; null when the driver does not have it.
void* getProcAddress(const char* name);

// Where the current context came from (the platform and device that gave it), for the log.
std::string contextDescription();

// ---- Message boxes ----------------------------------------------------------------------------

constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONSTOP = 0x10;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows a modal box and returns the answer. Headless (or with no display) it prints
// "caption: text" to standard error and returns the default answer (OK, or Yes) at once.
int messageBox(const char* text, const char* caption, unsigned flags);

// Tests can watch message boxes: the hook is called instead of showing anything.
using MessageBoxHook = std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;
void setMessageBoxHook(MessageBoxHook hook);

// ---- Dialogs ----------------------------------------------------------------------------------

enum class ControlKind { Bitmap, RadioButton, CheckBox, PushButton };

// One control of a classic dialog template, positioned in dialog units.
struct DialogControl {
    int id;
    ControlKind kind;
    int x, y, width, height; // dialog units
    const char* text;
    bool tabStop;
    const unsigned char* bitmap = nullptr; // Bitmap: a BMP file's bytes
    std::size_t bitmapSize = 0;
};

struct DialogTemplate {
    int id;
    const char* caption;
    const char* fontName;
    int fontPoints;
    int x, y, width, height; // dialog units
    std::vector<DialogControl> controls;
};

struct Dialog; // opaque: a running dialog

using DialogProc = intptr_t (*)(Dialog* dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);

constexpr unsigned BST_UNCHECKED = 0;
constexpr unsigned BST_CHECKED = 1;
constexpr uintptr_t BN_CLICKED = 0;

// Runs a modal dialog: WM_INITDIALOG first, WM_COMMAND (low word: control id) for each click,
// WM_CLOSE for the close box. Auto radio buttons and auto check boxes change their own state
// before their command arrives. Returns the value given to endDialog, or -1 when the dialog
// could not be shown (no display).
intptr_t dialogBox(const DialogTemplate& dialogTemplate, DialogProc proc);
void endDialog(Dialog* dialog, intptr_t result);
void checkDlgButton(Dialog* dialog, int id, unsigned state);
unsigned isDlgButtonChecked(Dialog* dialog, int id);

// True when a display is there for windows and dialogs ($DISPLAY or $WAYLAND_DISPLAY set and
// the video system starts).
bool displayAvailable();

} // namespace os
