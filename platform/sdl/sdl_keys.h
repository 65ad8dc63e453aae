// The Windows virtual-key code of an SDL key code, shared by the SDL window and the SDL dialog.
#pragma once

#include <cstdint>

namespace os::detail {

// 0xFF for keys that have no code of their own.
uint32_t virtualKeyOfSdlKey(int32_t sdlKeycode);

} // namespace os::detail
