// The program's entry point on Windows. It is a GUI program, so a double-click opens no console;
// started from a console, it borrows that console for --help, --log and the progress bar, unless
// its output already goes somewhere (a file, a pipe).
#include "app/program.h"

#include <cstdio>
#include <cstdlib>

#include <windows.h>

namespace {

bool hasStream(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

void useParentConsole()
{
    const bool output = hasStream(STD_OUTPUT_HANDLE);
    const bool errors = hasStream(STD_ERROR_HANDLE);
    if ((output && errors) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!output)
        std::freopen("CONOUT$", "w", stdout);
    if (!errors)
        std::freopen("CONOUT$", "w", stderr);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // The window's client area is counted in physical pixels even on a scaled desktop.
    SetProcessDPIAware();
    useParentConsole();
    return runCommandLine(__argc, __argv);
}
