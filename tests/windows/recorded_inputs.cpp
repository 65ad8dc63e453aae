// The Windows tests' test inputs: the JPEG pictures and MP3 sounds the Linux encoders recorded
// (tests/support/recorded_inputs.h), read back from the folder named by TALVOREN_FIXTURES under
// the name made from the same parameters and pixels.
#include "tests/support/recorded_inputs.h"
#include "tests/unit/mp3_files.h"
#include "tests/unit/picture_files.h"

#include <gtest/gtest.h>

namespace {

bool readRecorded(const std::string& name, std::vector<uint8_t>& bytes)
{
    const std::string folder = recorded::fixtureFolder();
    bytes = pictures::readFile(folder + "/" + name);
    if (folder.empty() || bytes.empty()) {
        ADD_FAILURE() << "no recorded test input " << name << " in \"" << folder
                      << "\" (TALVOREN_FIXTURES: run the Linux unit tests with TALVOREN_RECORD_INPUTS)";
        return false;
    }
    return true;
}

} // namespace

namespace pictures {

std::vector<uint8_t> jpegBytes(int width, int height, const PixelFunction& pixel, int components, int quality)
{
    std::vector<uint8_t> bytes;
    readRecorded(jpegFixtureName(width, height, pixel, components, quality), bytes);
    return bytes;
}

} // namespace pictures

namespace mp3files {

bool writeSineMp3(const std::string& path, double seconds, int sampleRate, int channels, double hz)
{
    // The parameters the encoder refuses are refused here too, without looking for a recording.
    if (seconds < 0 || sampleRate <= 0 || (channels != 1 && channels != 2))
        return false;
    std::vector<uint8_t> bytes;
    if (!readRecorded(recorded::mp3Name(seconds, sampleRate, channels, hz), bytes))
        return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    std::fclose(file);
    return written;
}

} // namespace mp3files
