// Test inputs recorded for the Windows tests. The Linux tests make their JPEG pictures and MP3
// sounds in code with libjpeg and LAME, which Debian has no Windows builds of. Run with the
// environment variable TALVOREN_RECORD_INPUTS naming a folder, the Linux encoders also write
// each input there under a name made from everything that defines it (its parameters and, for
// a picture, a hash of every pixel); the Windows build's versions of the same functions read
// the input back by that name (tests/windows/recorded_inputs.cpp). A test that asks for an input
// nobody recorded fails there with the missing name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace recorded {

// FNV-1a, 64 bits: the same on every platform and compiler.
class Fnv {
public:
    void add(uint64_t value)
    {
        for (int i = 0; i < 8; ++i) {
            state ^= (value >> (8 * i)) & 0xFF;
            state *= 0x100000001B3ull;
        }
    }
    uint64_t value() const { return state; }

private:
    uint64_t state = 0xCBF29CE484222325ull;
};

// pixelHash: every pixel's red, green and blue, row by row from the top, added as one value each.
std::string jpegName(int width, int height, int components, int quality, const Fnv& pixelHash);
std::string mp3Name(double seconds, int sampleRate, int channels, double hz);

// The folder named by TALVOREN_RECORD_INPUTS (for recording) or TALVOREN_FIXTURES (for
// reading); empty when unset.
std::string recordFolder();
std::string fixtureFolder();

// Writes the bytes under the name when recording; does nothing otherwise.
void keep(const std::string& name, const std::vector<uint8_t>& bytes);

} // namespace recorded
