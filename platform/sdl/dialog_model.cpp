// The classic dialog's state machine; see dialog_model.h.
#include "platform/sdl/dialog_model.h"

namespace os {
namespace {

// Average character cell of the 8-point dialog font, in pixels.
constexpr int baseUnitXPixels = 6;
constexpr int baseUnitYPixels = 13;

int mulDivRounded(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : -((-product + half) / denominator));
}

bool takesFocus(const DialogControl& control) {
    return control.kind != ControlKind::Bitmap;
}

int indexOf(const Dialog* dialog, int id) {
    const auto& controls = dialog->dialogTemplate.controls;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].id == id) return static_cast<int>(i);
    }
    return -1;
}

void sendCommand(Dialog* dialog, int id) {
    const uintptr_t wParam = (BN_CLICKED << 16) | (static_cast<uintptr_t>(id) & 0xFFFF);
    dialog->proc(dialog, WM_COMMAND, wParam, 0);
}

// The next control after `from` (wrapping, in template order) that passes `accept`; `from`
// itself when nothing else does, -1 when nothing at all does.
template <typename Accept>
int nextControl(const Dialog* dialog, int from, bool backwards, Accept accept) {
    const auto& controls = dialog->dialogTemplate.controls;
    const int count = static_cast<int>(controls.size());
    if (count == 0) return -1;
    int index = from < 0 ? (backwards ? 0 : count - 1) : from;
    for (int step = 0; step < count; ++step) {
        index = (index + (backwards ? count - 1 : 1)) % count;
        if (accept(controls[index])) return index;
    }
    return -1;
}

void clickIndex(Dialog* dialog, int index) {
    auto& controls = dialog->dialogTemplate.controls;
    const DialogControl& control = controls[index];
    switch (control.kind) {
    case ControlKind::Bitmap:
        return; // pictures do not notify
    case ControlKind::RadioButton:
        for (std::size_t i = 0; i < controls.size(); ++i) {
            if (controls[i].kind == ControlKind::RadioButton) {
                dialog->checkStates[i] = static_cast<int>(i) == index ? BST_CHECKED : BST_UNCHECKED;
            }
        }
        break;
    case ControlKind::CheckBox:
        dialog->checkStates[index] =
            dialog->checkStates[index] == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        break;
    case ControlKind::PushButton:
        break;
    }
    sendCommand(dialog, control.id);
}

} // namespace

namespace detail {

int dialogUnitsToPixelsX(int units) { return mulDivRounded(units, baseUnitXPixels, 4); }
int dialogUnitsToPixelsY(int units) { return mulDivRounded(units, baseUnitYPixels, 8); }

PixelRect controlRect(const DialogControl& control) {
    PixelRect rect;
    rect.x = dialogUnitsToPixelsX(control.x);
    rect.y = dialogUnitsToPixelsY(control.y);
    rect.width = dialogUnitsToPixelsX(control.x + control.width) - rect.x;
    rect.height = dialogUnitsToPixelsY(control.y + control.height) - rect.y;
    return rect;
}

PixelRect dialogRect(const DialogTemplate& dialogTemplate) {
    return {dialogUnitsToPixelsX(dialogTemplate.x), dialogUnitsToPixelsY(dialogTemplate.y),
            dialogUnitsToPixelsX(dialogTemplate.width), dialogUnitsToPixelsY(dialogTemplate.height)};
}

Dialog* createDialog(const DialogTemplate& dialogTemplate, DialogProc proc) {
    auto* dialog = new Dialog;
    dialog->dialogTemplate = dialogTemplate;
    dialog->proc = proc;
    dialog->checkStates.assign(dialogTemplate.controls.size(), BST_UNCHECKED);
    const int firstTabStop = nextControl(dialog, -1, false, [](const DialogControl& control) {
        return control.tabStop && takesFocus(control);
    });
    const int initialFocus = firstTabStop >= 0
        ? firstTabStop
        : nextControl(dialog, -1, false, [](const DialogControl& control) { return takesFocus(control); });
    const uintptr_t focusId = initialFocus >= 0
        ? static_cast<uintptr_t>(dialogTemplate.controls[initialFocus].id) & 0xFFFF : 0;
    dialog->focusIndex = initialFocus;
    proc(dialog, WM_INITDIALOG, focusId, 0);
    return dialog;
}

void destroyDialog(Dialog* dialog) {
    if (!dialog) return;
    dialog->proc(dialog, WM_DESTROY, 0, 0);
    delete dialog;
}

void clickControl(Dialog* dialog, int id) {
    if (dialog->hasEnded) return;
    const int index = indexOf(dialog, id);
    if (index >= 0) clickIndex(dialog, index);
}

void pressKey(Dialog* dialog, uint32_t vk, bool shift) {
    if (dialog->hasEnded) return;
    const auto& controls = dialog->dialogTemplate.controls;
    const int focus = dialog->focusIndex;
    switch (vk) {
    case VK_TAB: {
        const int next = nextControl(dialog, focus, shift, [](const DialogControl& control) {
            return control.tabStop && takesFocus(control);
        });
        if (next >= 0) dialog->focusIndex = next;
        break;
    }
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
        // With no group marks in the template the whole dialog is one group: the arrows walk
        // all its controls, and landing on an auto radio button checks it, which is how the
        // keyboard reaches the resolutions (they are not tab stops).
        const bool backwards = vk == VK_LEFT || vk == VK_UP;
        const int next = nextControl(dialog, focus, backwards, [](const DialogControl& control) {
            return takesFocus(control);
        });
        if (next < 0) break;
        dialog->focusIndex = next;
        if (controls[next].kind == ControlKind::RadioButton) clickIndex(dialog, next);
        break;
    }
    case VK_SPACE:
        if (focus >= 0) clickIndex(dialog, focus);
        break;
    case VK_RETURN:
        if (focus >= 0 && controls[focus].kind == ControlKind::PushButton) {
            clickIndex(dialog, focus);
        } else {
            sendCommand(dialog, IDOK);
        }
        break;
    case VK_ESCAPE:
        sendCommand(dialog, IDCANCEL);
        break;
    default:
        break;
    }
}

void closeBox(Dialog* dialog) {
    if (dialog->hasEnded) return;
    if (!dialog->proc(dialog, WM_CLOSE, 0, 0)) sendCommand(dialog, IDCANCEL);
}

void mouseDown(Dialog* dialog, int x, int y) {
    if (dialog->hasEnded) return;
    const DialogControl* control = controlAt(dialog, x, y);
    if (!control) return;
    dialog->pressedIndex = indexOf(dialog, control->id);
    dialog->pressedInside = true;
    dialog->focusIndex = dialog->pressedIndex;
}

void mouseMove(Dialog* dialog, int x, int y) {
    if (dialog->pressedIndex < 0) return;
    dialog->pressedInside =
        controlRect(dialog->dialogTemplate.controls[dialog->pressedIndex]).contains(x, y);
}

void mouseUp(Dialog* dialog, int x, int y) {
    if (dialog->pressedIndex < 0) return;
    mouseMove(dialog, x, y);
    const int index = dialog->pressedIndex;
    const bool click = dialog->pressedInside;
    dialog->pressedIndex = -1;
    dialog->pressedInside = false;
    if (click && !dialog->hasEnded) clickIndex(dialog, index);
}

bool ended(const Dialog* dialog) { return dialog->hasEnded; }
intptr_t result(const Dialog* dialog) { return dialog->endResult; }

int focusedControl(const Dialog* dialog) {
    return dialog->focusIndex >= 0 ? dialog->dialogTemplate.controls[dialog->focusIndex].id : noControl;
}

void focusControl(Dialog* dialog, int id) {
    const int index = indexOf(dialog, id);
    if (index >= 0 && takesFocus(dialog->dialogTemplate.controls[index])) dialog->focusIndex = index;
}

unsigned checkState(const Dialog* dialog, int id) {
    const int index = indexOf(dialog, id);
    return index >= 0 ? dialog->checkStates[index] : BST_UNCHECKED;
}

const DialogControl* controlAt(const Dialog* dialog, int x, int y) {
    for (const DialogControl& control : dialog->dialogTemplate.controls) {
        if (takesFocus(control) && controlRect(control).contains(x, y)) return &control;
    }
    return nullptr;
}

} // namespace detail

void endDialog(Dialog* dialog, intptr_t result) {
    if (!dialog) return;
    dialog->hasEnded = true;
    dialog->endResult = result;
}

void checkDlgButton(Dialog* dialog, int id, unsigned state) {
    const int index = indexOf(dialog, id);
    if (index >= 0 && dialog->dialogTemplate.controls[index].kind != ControlKind::Bitmap) {
        dialog->checkStates[index] = state;
    }
}

unsigned isDlgButtonChecked(Dialog* dialog, int id) {
    return detail::checkState(dialog, id);
}

} // namespace os
