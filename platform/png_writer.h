// Writes frames as PNG files (libpng).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace os {

// rgba holds width x height pixels, bottom row first (as OpenGL reads them); the file is
// written top row first, so it looks like the screen. Returns false with a reason on failure.
bool writePng(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height,
              std::string& error);

} // namespace os
