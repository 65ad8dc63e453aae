// windows_fixtures FOLDER: writes the Windows tests' JPEG and MP3 inputs into FOLDER.
#include "tests/windows/fixtures.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: windows_fixtures FOLDER\n");
        return 2;
    }
    std::error_code error;
    std::filesystem::create_directories(argv[1], error);
    return writeJpegFixtures(argv[1]) && writeMp3Fixtures(argv[1]) ? 0 : 1;
}
