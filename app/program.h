// The program's entry: settings (dialog or command line), the window, the message loop.
#pragma once

#include "app/options.h"

// Reads the command line and runs the program (--help, an error, or the demo): the body of each
// platform's entry point. Returns the process exit status.
int runCommandLine(int argc, char** argv);

// Runs the demo as the options say and returns the process exit status.
int runProgram(const Options& options);

// The message loop: polls without waiting and dispatches until a quit or a key press, and
// returns that message's wParam (0 after the scheduled end, the key's virtual-key code).
int runMessageLoop();
