// Test inputs for the Windows build, written by the Linux build. Debian has no mingw builds of
// libjpeg or LAME, so the pictures and sounds that the Linux tests make in code are written
// once by the Linux build into a fixtures folder, and the Windows tests and layer checks read
// them from there. Each writer returns false, with a message on standard error, on failure.
#pragma once

#include <string>

bool writeJpegFixtures(const std::string& folder);
bool writeMp3Fixtures(const std::string& folder);
