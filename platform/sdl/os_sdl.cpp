// SDL2 backend: a real window with an OpenGL compatibility context, the real clock, and input
// translated into the Win32-style messages the program's loop expects (virtual-key codes, system
// keys for Alt combinations and F10, WM_CLOSE for the close box, WM_SIZE on resize).
#include "platform/backend.h"
#include "platform/sdl/sdl_keys.h"
#include "platform/offscreen_surface.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>

namespace os::detail {

uint32_t virtualKeyOfSdlKey(int32_t key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return uint32_t('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9)
        return uint32_t(key);
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return VK_F1 + uint32_t(key - SDLK_F1);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
        return 0x61 + uint32_t(key - SDLK_KP_1); // VK_NUMPAD1..9
    switch (key) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT: case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return 0x14;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return 0x21;
    case SDLK_PAGEDOWN: return 0x22;
    case SDLK_END: return 0x23;
    case SDLK_HOME: return 0x24;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_PRINTSCREEN: return 0x2C;
    case SDLK_INSERT: return 0x2D;
    case SDLK_DELETE: return 0x2E;
    case SDLK_LGUI: return 0x5B;
    case SDLK_RGUI: return 0x5C;
    case SDLK_KP_0: return 0x60;
    case SDLK_KP_MULTIPLY: return 0x6A;
    case SDLK_KP_PLUS: return 0x6B;
    case SDLK_KP_MINUS: return 0x6D;
    case SDLK_KP_PERIOD: return 0x6E;
    case SDLK_KP_DIVIDE: return 0x6F;
    case SDLK_NUMLOCKCLEAR: return 0x90;
    case SDLK_SCROLLLOCK: return 0x91;
    case SDLK_SEMICOLON: return 0xBA;
    case SDLK_EQUALS: return 0xBB;
    case SDLK_COMMA: return 0xBC;
    case SDLK_MINUS: return 0xBD;
    case SDLK_PERIOD: return 0xBE;
    case SDLK_SLASH: return 0xBF;
    case SDLK_BACKQUOTE: return 0xC0;
    case SDLK_LEFTBRACKET: return 0xDB;
    case SDLK_BACKSLASH: return 0xDC;
    case SDLK_RIGHTBRACKET: return 0xDD;
    case SDLK_QUOTE: return 0xDE;
    default: return 0xFF; // a key with no Windows code of its own
    }
}

namespace {

struct SdlWindow {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    OffscreenSurface surface;
};

class SdlBackend final : public BackendImpl {
public:
    ~SdlBackend() override
    {
        if (videoStarted)
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    uint64_t nowMicros() override
    {
        const uint64_t counter = SDL_GetPerformanceCounter();
        const uint64_t frequency = SDL_GetPerformanceFrequency();
        return counter / frequency * 1'000'000 + counter % frequency * 1'000'000 / frequency;
    }

    bool pollInput(Message& message) override
    {
        if (!videoStarted)
            return false;
        SDL_Event event;
        while (SDL_PollEvent(&event))
            if (translate(event, message))
                return true;
        return false;
    }

    void idle(std::optional<uint64_t> nextDueMicros) override
    {
        if (!videoStarted)
            return;
        // Wait for input at most until a millisecond before the next timer, so the loop does not
        // burn a core between frames yet never delivers a frame late.
        int waitMs = 1;
        if (nextDueMicros) {
            const uint64_t now = nowMicros();
            waitMs = *nextDueMicros > now + 2000 ? int((*nextDueMicros - now) / 1000) - 1 : 0;
        }
        if (waitMs <= 0)
            return;
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, std::min(waitMs, 10)))
            SDL_PushEvent(&event);
    }

    bool changeDisplayMode(int width, int height, int) override
    {
        if (!startVideo())
            return false;
        const int modes = SDL_GetNumDisplayModes(0);
        for (int i = 0; i < modes; ++i) {
            SDL_DisplayMode mode;
            if (SDL_GetDisplayMode(0, i, &mode) == 0 && mode.w == width && mode.h == height) {
                fullscreenMode = mode;
                return true;
            }
        }
        return false;
    }

    void restoreDisplayMode() override
    {
        // SDL hands the desktop its mode back when the full-screen window leaves full screen.
        if (activeWindow && activeWindow->window)
            SDL_SetWindowFullscreen(activeWindow->window, 0);
    }

    bool createWindow(Window& window, const char* title, int x, int y) override
    {
        if (!startVideo())
            return false;
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
        // The window's own buffer has no alpha: the picture is drawn into the offscreen surface,
        // and areas it only clears there (alpha 0) would let a compositor show through them.
        SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

        auto* record = new SdlWindow;
        // High-DPI drawables: at a desktop scale of 2 the window's drawable has twice its size in
        // points in pixels, and the picture is presented into the whole of it. Not for a full
        // screen in a mode of its own: where the mode is a stand-in (Wayland), SDL scales the
        // mode's buffer to the output itself.
        const bool modeOfItsOwn = window.fullscreen && !desktopFullscreenWanted();
        Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | (modeOfItsOwn ? 0 : SDL_WINDOW_ALLOW_HIGHDPI);
        if (window.fullscreen)
            flags |= desktopFullscreenWanted() ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_FULLSCREEN;
        else
            flags |= SDL_WINDOW_RESIZABLE;
        // On the desktop the window has the desktop's size from the start: without a window
        // manager (a bare X server) nothing would resize it afterwards.
        int windowWidth = window.width, windowHeight = window.height;
        SDL_DisplayMode desktop{};
        if (window.fullscreen && desktopFullscreenWanted() && SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
            windowWidth = desktop.w;
            windowHeight = desktop.h;
        }
        record->window = SDL_CreateWindow(title, window.fullscreen ? 0 : x, window.fullscreen ? 0 : y, windowWidth,
                                          windowHeight, flags);
        if (!record->window) {
            std::fprintf(stderr, "SDL_CreateWindow: %s\n", SDL_GetError());
            delete record;
            return false;
        }
        if (window.fullscreen && !desktopFullscreenWanted() &&
            SDL_SetWindowDisplayMode(record->window, &fullscreenMode) != 0)
            std::fprintf(stderr, "SDL_SetWindowDisplayMode: %s\n", SDL_GetError());
        window.native = record;
        activeWindow = record;
        activeProc = &window;
        return true;
    }

    bool destroyWindow(Window& window) override
    {
        auto* record = static_cast<SdlWindow*>(window.native);
        if (!record)
            return false;
        SDL_DestroyWindow(record->window);
        if (activeWindow == record) {
            activeWindow = nullptr;
            activeProc = nullptr;
        }
        delete record;
        window.native = nullptr;
        return true;
    }

    void showWindow(Window& window) override
    {
        if (auto* record = static_cast<SdlWindow*>(window.native)) {
            SDL_ShowWindow(record->window);
            SDL_RaiseWindow(record->window);
        }
    }

    void showCursor(bool visible) override
    {
        if (startVideo())
            SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
    }

    bool createContext(Window& window) override
    {
        auto* record = static_cast<SdlWindow*>(window.native);
        if (!record)
            return false;
        record->context = SDL_GL_CreateContext(record->window);
        if (!record->context) {
            std::fprintf(stderr, "SDL_GL_CreateContext: %s\n", SDL_GetError());
            return false;
        }
        SDL_GL_SetSwapInterval(vsyncWanted() ? 1 : 0);
        if (!record->surface.create(window.width, window.height, &lookup)) {
            std::fprintf(stderr, "the offscreen framebuffer could not be created\n");
            SDL_GL_DeleteContext(record->context);
            record->context = nullptr;
            return false;
        }
        return true;
    }

    bool makeCurrent(Window& window, bool current) override
    {
        auto* record = static_cast<SdlWindow*>(window.native);
        if (!record || !record->context)
            return false;
        if (SDL_GL_MakeCurrent(record->window, current ? record->context : nullptr) != 0)
            return false;
        if (current)
            record->surface.bind();
        return true;
    }

    bool deleteContext(Window& window) override
    {
        auto* record = static_cast<SdlWindow*>(window.native);
        if (!record || !record->context)
            return false;
        if (SDL_GL_MakeCurrent(record->window, record->context) == 0)
            record->surface.destroy();
        SDL_GL_MakeCurrent(record->window, nullptr);
        SDL_GL_DeleteContext(record->context);
        record->context = nullptr;
        return true;
    }

    void swapBuffers(Window& window) override
    {
        auto* record = static_cast<SdlWindow*>(window.native);
        if (!record || !record->context)
            return;
        int drawableWidth = 0, drawableHeight = 0;
        SDL_GL_GetDrawableSize(record->window, &drawableWidth, &drawableHeight);
        record->surface.presentToWindow(drawableWidth, drawableHeight);
        SDL_GL_SwapWindow(record->window);
    }

    bool readFrame(Window& window, std::vector<uint8_t>& rgba, int& width, int& height) override
    {
        auto* record = static_cast<SdlWindow*>(window.native);
        if (!record)
            return false;
        width = record->surface.visibleWidth();
        height = record->surface.visibleHeight();
        return record->surface.read(rgba);
    }

    bool readFrameInto(Window& window, void* destination) override
    {
        auto* record = static_cast<SdlWindow*>(window.native);
        return record && record->surface.readInto(destination);
    }

    void* getProcAddress(const char* name) override { return lookup(name); }

    std::string contextDescription() override
    {
        const char* driver = SDL_GetCurrentVideoDriver();
        return std::string("SDL, video driver ") + (driver ? driver : "none");
    }

    int messageBox(const char* text, const char* caption, unsigned flags) override
    {
        if (!startVideo())
            return 0;
        const bool yesNo = (flags & 0xF) == MB_YESNO;
        const SDL_MessageBoxButtonData okButton[] = {
            {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK, "OK"}};
        // SDL lays buttons out right to left; list No first so that Yes stands on the left.
        const SDL_MessageBoxButtonData yesNoButtons[] = {
            {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"},
            {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"}};
        Uint32 kind = SDL_MESSAGEBOX_INFORMATION;
        if ((flags & 0xF0) == MB_ICONSTOP)
            kind = SDL_MESSAGEBOX_ERROR;
        else if ((flags & 0xF0) == MB_ICONEXCLAMATION)
            kind = SDL_MESSAGEBOX_WARNING;
        SDL_MessageBoxData data{};
        data.flags = kind;
        data.title = caption;
        data.message = text;
        data.numbuttons = yesNo ? 2 : 1;
        data.buttons = yesNo ? yesNoButtons : okButton;
        int answer = 0;
        if (SDL_ShowMessageBox(&data, &answer) != 0)
            return 0;
        return answer > 0 ? answer : (yesNo ? IDNO : IDOK);
    }

private:
    static void* lookup(const char* name) { return SDL_GL_GetProcAddress(name); }

    bool startVideo()
    {
        if (videoStarted)
            return true;
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            return false;
        videoStarted = true;
        return true;
    }

    bool translate(const SDL_Event& event, Message& message)
    {
        Window* window = activeProc;
        switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const bool down = event.type == SDL_KEYDOWN;
            const uint32_t vk = virtualKeyOfSdlKey(event.key.keysym.sym);
            const bool alt = (event.key.keysym.mod & KMOD_ALT) != 0;
            // Alt, Alt combinations and F10 are system keys: they are dispatched, not taken.
            const bool system = alt || vk == VK_MENU || vk == VK_F10;
            uint32_t id = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
            intptr_t lParam = 1; // repeat count
            if (alt)
                lParam |= intptr_t(1) << 29;
            message = Message{window, id, vk, lParam};
            return true;
        }
        case SDL_QUIT:
            message = Message{window, WM_CLOSE, 0, 0};
            return true;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                message = Message{window, WM_CLOSE, 0, 0};
                return true;
            }
            // The picture keeps its size in a window of any size: the program hears of a resize
            // with the picture's size, and not at all while the window is minimised (height 0).
            if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED && window) {
                if (event.window.data1 <= 0 || event.window.data2 <= 0)
                    return false;
                message = Message{window, WM_SIZE, 0, intptr_t((window->width & 0xFFFF) | ((window->height & 0xFFFF) << 16))};
                return true;
            }
            if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED ||
                event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                message = Message{window, WM_ACTIVATE,
                                  uintptr_t(event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED ? 1 : 0), 0};
                return true;
            }
            return false;
        default:
            return false;
        }
    }

    bool videoStarted = false;
    SDL_DisplayMode fullscreenMode{};
    SdlWindow* activeWindow = nullptr;
    Window* activeProc = nullptr;
};

} // namespace

std::unique_ptr<BackendImpl> makeWindowedBackend() { return std::make_unique<SdlBackend>(); }

} // namespace os::detail
