// Names and the recording of test inputs; see recorded_inputs.h.
#include "tests/support/recorded_inputs.h"

#include <cstdio>
#include <cstdlib>

namespace recorded {
namespace {

std::string folderFrom(const char* variable)
{
    const char* folder = std::getenv(variable);
    return folder && *folder ? folder : "";
}

} // namespace

std::string jpegName(int width, int height, int components, int quality, const Fnv& pixelHash)
{
    char name[96];
    std::snprintf(name, sizeof name, "picture_%dx%d_c%d_q%d_%016llx.jpg", width, height, components, quality,
                  static_cast<unsigned long long>(pixelHash.value()));
    return name;
}

std::string mp3Name(double seconds, int sampleRate, int channels, double hz)
{
    char name[96];
    std::snprintf(name, sizeof name, "tone_%.6gs_%dHz_%dch_%.6gHz.mp3", seconds, sampleRate, channels, hz);
    return name;
}

std::string recordFolder() { return folderFrom("TALVOREN_RECORD_INPUTS"); }
std::string fixtureFolder() { return folderFrom("TALVOREN_FIXTURES"); }

void keep(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string folder = recordFolder();
    if (folder.empty())
        return;
    if (FILE* file = std::fopen((folder + "/" + name).c_str(), "wb")) {
        if (!bytes.empty())
            std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
}

} // namespace recorded
