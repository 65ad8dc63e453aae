// Modal dialogs on Windows: the dialog description becomes a classic in-memory template
// (platform/dialog_resource.h) run by DialogBoxIndirectParamA, so Windows itself draws the
// controls and gives Tab, the arrow keys, Space, Enter and Escape their usual meaning. The
// program's dialog procedure gets the native messages with their own numbers. A picture control
// shows the bitmap of the description's BMP bytes.
#include "platform/dialog_resource.h"
#include "platform/os.h"

#include <cstring>
#include <vector>

#include <windows.h>

namespace os {

struct Dialog {
    HWND hwnd = nullptr;
    DialogProc proc = nullptr;
    const DialogTemplate* dialogTemplate = nullptr;
    std::vector<HBITMAP> bitmaps; // freed when the dialog returns
};

namespace {

// A device-dependent bitmap from a BMP file's bytes, or null when the bytes are not a BMP this
// can show. Every offset is checked against the size.
HBITMAP bitmapFromFile(const unsigned char* bytes, std::size_t size)
{
    if (!bytes || size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) || bytes[0] != 'B' || bytes[1] != 'M')
        return nullptr;
    BITMAPFILEHEADER file;
    std::memcpy(&file, bytes, sizeof file);
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes + sizeof file, sizeof header);
    if (file.bfOffBits >= size || header.biSize < sizeof header || header.biWidth <= 0 || header.biHeight == 0 ||
        header.biWidth > 4096 || header.biHeight > 4096 || header.biHeight < -4096)
        return nullptr;
    const uint64_t rowBytes = (uint64_t(header.biWidth) * header.biBitCount + 31) / 32 * 4;
    const uint64_t rows = uint64_t(header.biHeight < 0 ? -header.biHeight : header.biHeight);
    if (header.biCompression != BI_RGB || file.bfOffBits + rowBytes * rows > size)
        return nullptr;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(bytes + sizeof file);
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBitmap(screen, &header, CBM_INIT, bytes + file.bfOffBits, info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// Controls are created in template order, so the n-th child is the n-th control.
void showPictures(Dialog& dialog)
{
    HWND child = GetWindow(dialog.hwnd, GW_CHILD);
    for (const DialogControl& control : dialog.dialogTemplate->controls) {
        if (!child)
            break;
        if (control.kind == ControlKind::Bitmap) {
            if (HBITMAP bitmap = bitmapFromFile(control.bitmap, control.bitmapSize)) {
                dialog.bitmaps.push_back(bitmap);
                SendMessageA(child, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
            }
        }
        child = GetWindow(child, GW_HWNDNEXT);
    }
}

// The first control in template order that is visible, enabled and a tab stop.
HWND firstTabStop(HWND dialog)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        if ((style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED))
            return child;
    }
    return nullptr;
}

INT_PTR CALLBACK dialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
        dialog->hwnd = hwnd;
        showPictures(*dialog);
        // A procedure that answers TRUE gives the focus to the first tab stop. The focus is set
        // here rather than left to the system, which (under Wine) may hand it to the checked
        // button of a radio group that has no tab stop at all.
        HWND focus = firstTabStop(hwnd);
        if (dialog->proc(dialog, message, reinterpret_cast<uintptr_t>(focus), lParam) && focus)
            SetFocus(focus);
        return FALSE; // the focus is set (or left where the procedure put it)
    }
    auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!dialog || !dialog->proc)
        return FALSE;
    return INT_PTR(dialog->proc(dialog, message, wParam, lParam));
}

} // namespace

intptr_t dialogBox(const DialogTemplate& dialogTemplate, DialogProc proc)
{
    // The template must be DWORD-aligned: vector storage is.
    const std::vector<uint8_t> bytes = dialogResourceBytes(dialogTemplate);
    std::vector<DWORD> aligned((bytes.size() + 3) / 4);
    std::memcpy(aligned.data(), bytes.data(), bytes.size());
    Dialog dialog;
    dialog.proc = proc;
    dialog.dialogTemplate = &dialogTemplate;
    const INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr),
                                                   reinterpret_cast<LPCDLGTEMPLATEA>(aligned.data()), nullptr,
                                                   dialogProcedure, reinterpret_cast<LPARAM>(&dialog));
    for (HBITMAP bitmap : dialog.bitmaps)
        DeleteObject(bitmap);
    return intptr_t(result);
}

void endDialog(Dialog* dialog, intptr_t result)
{
    if (dialog && dialog->hwnd)
        EndDialog(dialog->hwnd, INT_PTR(result));
}

void checkDlgButton(Dialog* dialog, int id, unsigned state)
{
    if (dialog && dialog->hwnd)
        CheckDlgButton(dialog->hwnd, id, state);
}

unsigned isDlgButtonChecked(Dialog* dialog, int id)
{
    return dialog && dialog->hwnd ? IsDlgButtonChecked(dialog->hwnd, id) : BST_UNCHECKED;
}

// Windows always has its desktop.
bool displayAvailable() { return true; }

} // namespace os
