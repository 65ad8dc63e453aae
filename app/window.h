// The OpenGL window: opening it (with the full-screen mode change and its fallback question),
// closing it in reverse order, the default viewport, and the window's message handling.
// Opening the window also runs the start-up sequence (preInit, worldInit).
#pragma once

#include "platform/os.h"

#include <cstdint>

// The one window; owner of every timer. Written by openWindow/closeWindow.
extern os::Window* windowHandle;
// The window's drawing target for swaps (the same window in this platform layer).
extern os::Window* deviceContext;
// Full screen means the desktop in its own mode, the picture scaled (--desktop): no display mode
// is changed or restored. Written by the command line before openWindow.
extern bool desktopFullscreen;

bool openWindow(const char* title, int width, int height, int bits, bool fullscreenWanted);
void closeWindow();
void resizeView(int width, int height);
intptr_t windowProc(os::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
