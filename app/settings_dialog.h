// The settings dialog (dialog 102): the viewer picks a resolution and full screen or windowed
// before the demo starts, and the choice lands in the process-wide settings below.
#pragma once

#include "platform/os.h"

#include <cstdint>

// Process-wide display settings. Written by settingsDialogProc (and by the command line when it
// skips the dialog); read by the OpenGL window, the world's viewport set-up and the effects.
extern int32_t screenWidth;      // pixels; 640 until the dialog opens, which makes it 800
extern int32_t screenHeight;     // pixels; 480 until the dialog opens, which makes it 600
extern bool fullscreen;          // full screen asked for / in force; the dialog opens with it on
extern const char* windowTitle;  // window title and caption of the full-screen fallback question

// How "Cancel" and the close box end the process: std::exit by default. Tests replace it.
extern void (*settingsExit)(int status);

// Dialog procedure of the settings dialog; returns whether it handled the message.
intptr_t settingsDialogProc(os::Dialog* dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Shows the settings dialog modally. Returns when "OK" is pressed ("Cancel" and the close box
// end the process), or at once with false when there is no display to show it on.
bool showSettingsDialog();
