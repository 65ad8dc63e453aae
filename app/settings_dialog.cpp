// The settings dialog's procedure. The radio buttons keep no state of their own in the program:
// the last one clicked sets the size, and opening the dialog always starts from 800 x 600 full
// screen whatever the settings held before.
#include "app/settings_dialog.h"

#include "resources/dialogs.h"

#include <cstdlib>

int32_t screenWidth = 640;
int32_t screenHeight = 480;
bool fullscreen = false;
const char* windowTitle = "#Vornix";

namespace {

// The runtime's normal exit, so static clean-up runs.
void exitProcess(int status) { std::exit(status); }

// Leaving the dialog any way but "OK" ends the process; the window is never created.
constexpr int cancelledExitStatus = -1;

void setSize(int32_t width, int32_t height) {
    screenWidth = width;
    screenHeight = height;
}

bool handleCommand(os::Dialog* dialog, int controlId) {
    switch (controlId) {
    case radio320x240Id: setSize(320, 240); break;
    case radio640x480Id: setSize(640, 480); break;
    case radio800x600Id: setSize(800, 600); break;
    // 786, not 768: the label says 786 and the display is asked for what the label says.
    case radio1024x786Id: setSize(1024, 786); break;
    case fullscreenCheckId: {
        const unsigned state = os::isDlgButtonChecked(dialog, fullscreenCheckId);
        if (state == os::BST_UNCHECKED) fullscreen = false;
        else if (state == os::BST_CHECKED) fullscreen = true;
        break; // any other state (indeterminate) leaves the setting as it was
    }
    case okButtonId: os::endDialog(dialog, 0); break;
    case cancelButtonId: settingsExit(cancelledExitStatus); break;
    default: break; // IDOK from Enter and IDCANCEL from Escape are deliberately ignored
    }
    return true;
}

} // namespace

void (*settingsExit)(int status) = exitProcess;

intptr_t settingsDialogProc(os::Dialog* dialog, uint32_t message, uintptr_t wParam, intptr_t) {
    switch (message) {
    case os::WM_INITDIALOG:
        os::checkDlgButton(dialog, radio800x600Id, os::BST_CHECKED);
        setSize(800, 600);
        os::checkDlgButton(dialog, fullscreenCheckId, os::BST_CHECKED);
        fullscreen = true;
        return true;
    case os::WM_COMMAND:
        return handleCommand(dialog, static_cast<int>(static_cast<int16_t>(wParam & 0xFFFF)));
    case os::WM_CLOSE:
        settingsExit(cancelledExitStatus);
        return true;
    case os::WM_DESTROY:
        os::endDialog(dialog, 0);
        return true;
    default:
        return false;
    }
}

bool showSettingsDialog() {
    return os::dialogBox(settingsDialogTemplate(), settingsDialogProc) != -1;
}
