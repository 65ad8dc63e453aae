// The few services of the operating system that the standard library does not offer: whether
// standard error is a terminal (the progress bar redraws itself in place there), whether a
// folder can be written to, and where the running program lives.
#pragma once

#include <string>

namespace os {

bool standardErrorIsTerminal();
// An existing folder this process may create files in.
bool isWritableFolder(const std::string& path);
// The folder that holds the running program's file; empty when it cannot be told.
std::string executableFolder();

// Where an installed program's data is, relative to the program itself: on Linux the Debian
// games layout (PREFIX/games/talvoren and PREFIX/share/games/talvoren/data, whatever PREFIX is),
// on Windows the data folder beside talvoren.exe. Empty when the program's place is unknown.
std::string installedDataFolder();

} // namespace os
