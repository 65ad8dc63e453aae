// System services on Windows; see system.h.
#include "platform/system.h"

#include <io.h>

#include <windows.h>

namespace os {

// A console answers GetConsoleMode; a file or a pipe does not.
bool standardErrorIsTerminal()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != FALSE;
}

bool isWritableFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           _access(path.c_str(), 2) == 0;
}

std::string executableFolder()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    const std::string file(path, length);
    const size_t separator = file.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : file.substr(0, separator);
}

std::string installedDataFolder()
{
    const std::string folder = executableFolder();
    return folder.empty() ? std::string() : folder + "\\data";
}

} // namespace os
