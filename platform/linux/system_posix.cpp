// System services on POSIX; see system.h.
#include "platform/system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace os {

bool standardErrorIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

bool isWritableFolder(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && ::access(path.c_str(), W_OK) == 0;
}

std::string executableFolder()
{
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return {};
    const std::string file(path, size_t(length));
    const size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash == 0 ? 1 : slash);
}

std::string installedDataFolder()
{
    const std::string folder = executableFolder();
    return folder.empty() ? std::string() : folder + "/../share/games/talvoren/data";
}

} // namespace os
