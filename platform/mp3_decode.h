// Decodes a whole MP3 file into 16-bit samples (mpg123), for the tools and tests that look at the
// music as a whole rather than playing it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace os {

// Interleaved samples of the whole file; empty when the file cannot be opened or decoded.
std::vector<int16_t> decodeMp3File(const std::string& path, long& rate, int& channels);

} // namespace os
