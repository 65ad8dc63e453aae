// The state of a running classic dialog, without any drawing: which buttons are checked, which
// control has the keyboard focus, which one the mouse holds down, and whether the dialog has
// ended. The SDL backend feeds it mouse and keyboard input and draws what it holds; the tests
// drive it directly.
//
// It behaves like a classic modal dialog: auto radio buttons (all radio buttons of a dialog
// form one group) and auto check boxes change their own state before their WM_COMMAND reaches
// the dialog procedure; Tab walks the tab-stop controls, the arrow keys walk every control that
// can take the focus (moving onto an auto radio button also checks it); Space clicks the focused
// control, Enter clicks the focused push button or otherwise sends IDOK, Escape sends IDCANCEL;
// the close box sends WM_CLOSE, and IDCANCEL when the procedure leaves WM_CLOSE unhandled.
#pragma once

#include "platform/os.h"

#include <climits>
#include <cstdint>
#include <vector>

namespace os {

struct Dialog {
    DialogTemplate dialogTemplate;   // a copy, so the caller's template may go away
    DialogProc proc = nullptr;
    std::vector<unsigned> checkStates; // BST_* per control, in template order
    int focusIndex = -1;             // control with the keyboard focus, -1 for none
    int pressedIndex = -1;           // control the left mouse button went down on, -1 for none
    bool pressedInside = false;      // the pointer is still over that control (drawn pushed in)
    bool hasEnded = false;
    intptr_t endResult = 0;          // value given to endDialog
};

namespace detail {

// "No control" for focusedControl: control ids are 16-bit, so this is never one.
constexpr int noControl = INT_MIN;

struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool contains(int px, int py) const {
        return px >= x && py >= y && px < x + width && py < y + height;
    }
};

// Dialog units to pixels for the 8-point dialog font, whose average character cell is 6 x 13
// pixels: a horizontal unit is a quarter of the width, a vertical one an eighth of the height.
// Rounded to the nearest pixel, so the 133 x 92 unit picture comes out at exactly 200 x 150.
int dialogUnitsToPixelsX(int units);
int dialogUnitsToPixelsY(int units);

// A control's rectangle in client pixels (each edge converted on its own).
PixelRect controlRect(const DialogControl& control);
// The dialog's screen position and client size in pixels.
PixelRect dialogRect(const DialogTemplate& dialogTemplate);

// Creates the dialog state, sends WM_INITDIALOG (wParam: the id of the first tab-stop control)
// and gives that control the focus.
Dialog* createDialog(const DialogTemplate& dialogTemplate, DialogProc proc);
// Sends WM_DESTROY and frees the dialog.
void destroyDialog(Dialog* dialog);

// A click on a control: auto buttons update their state, then WM_COMMAND / BN_CLICKED goes to
// the procedure. Pictures and unknown ids do nothing. Input after the dialog ended is ignored.
void clickControl(Dialog* dialog, int id);
// A key press with its virtual-key code.
void pressKey(Dialog* dialog, uint32_t vk, bool shift);
// The title bar's close box.
void closeBox(Dialog* dialog);

// Left mouse button, in client pixels: going down on a control focuses it and holds it pushed
// in; coming up over the same control clicks it, anywhere else cancels.
void mouseDown(Dialog* dialog, int x, int y);
void mouseMove(Dialog* dialog, int x, int y);
void mouseUp(Dialog* dialog, int x, int y);

bool ended(const Dialog* dialog);
intptr_t result(const Dialog* dialog);
int focusedControl(const Dialog* dialog); // its id, or noControl
void focusControl(Dialog* dialog, int id); // controls that cannot take the focus are refused
unsigned checkState(const Dialog* dialog, int id);
// The control that can take input at a client pixel, or null.
const DialogControl* controlAt(const Dialog* dialog, int x, int y);

} // namespace detail
} // namespace os
