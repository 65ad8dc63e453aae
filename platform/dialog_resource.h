// A dialog description (os::DialogTemplate) as the bytes of a classic in-memory dialog template,
// the form DialogBoxIndirectParam takes on Windows: a DLGTEMPLATE header with its menu, class,
// caption and font, then one DWORD-aligned DLGITEMTEMPLATE per control with its class atom,
// text and an empty creation-data block. Strings are UTF-16. The same description draws the
// SDL dialog on Linux, so both systems show the one dialog.
#pragma once

#include "platform/os.h"

#include <cstdint>
#include <vector>

namespace os {

// Window and control styles, with Win32's values.
namespace dialog_style {
constexpr uint32_t popup = 0x80000000;      // WS_POPUP
constexpr uint32_t child = 0x40000000;      // WS_CHILD
constexpr uint32_t visible = 0x10000000;    // WS_VISIBLE
constexpr uint32_t caption = 0x00C00000;    // WS_CAPTION
constexpr uint32_t systemMenu = 0x00080000; // WS_SYSMENU
constexpr uint32_t tabStop = 0x00010000;    // WS_TABSTOP
constexpr uint32_t setFont = 0x40;          // DS_SETFONT
constexpr uint32_t modalFrame = 0x80;       // DS_MODALFRAME
constexpr uint32_t pushButton = 0x0;        // BS_PUSHBUTTON: never the default button
constexpr uint32_t autoCheckBox = 0x3;      // BS_AUTOCHECKBOX
constexpr uint32_t autoRadioButton = 0x9;   // BS_AUTORADIOBUTTON
constexpr uint32_t bitmap = 0xE;            // SS_BITMAP
constexpr uint16_t buttonClass = 0x0080;    // the predefined classes' atoms
constexpr uint16_t staticClass = 0x0082;
} // namespace dialog_style

std::vector<uint8_t> dialogResourceBytes(const DialogTemplate& dialogTemplate);

} // namespace os
