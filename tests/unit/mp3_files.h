// Test sounds written in code: a sine tone encoded to MP3, for the sound layer's tests
// and the music benchmark. Nothing here depends on the test framework, so the benchmark can
// include it too.
#pragma once

#include <string>

namespace mp3files {

// Writes `seconds` of a sine tone at `hz` as a constant-bit-rate MP3 with `channels` (1 or 2)
// channels at `sampleRate`, without an Xing/Info frame. False when the parameters are refused or
// the file cannot be written. Encoded with LAME where the tests are built with it
// (tests/support/mp3_encoder.cpp); the Windows tests copy the very same bytes from the fixtures
// the Linux build recorded.
bool writeSineMp3(const std::string& path, double seconds, int sampleRate = 44100, int channels = 2,
                  double hz = 440);

} // namespace mp3files
