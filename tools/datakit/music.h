// The demo's music, synthesised: a 125 BPM piece whose kicks start exactly on the timetable's
// beat times, rendered to 44.1 kHz stereo and encoded as a constant-bit-rate MP3.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace datakit {

constexpr int musicRate = 44100;
constexpr double musicSeconds = 244.0; // the demo ends at 241 s; the fade is over by then

// The first `seconds` of the piece as interleaved stereo samples (L, R, L, R, ...). A shorter
// render is the exact start of a longer one.
std::vector<int16_t> renderMusic(double seconds);

// Encodes interleaved stereo at musicRate as a 192 kbps CBR MP3 with a LAME info frame, whose
// gapless fields let the decoder drop the encoder's delay and padding, so that sample n of the
// input is sample n of the decoded output. False when encoding or writing fails.
bool encodeMp3(const std::vector<int16_t>& stereo, const std::string& path);

} // namespace datakit
