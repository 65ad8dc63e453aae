#include "platform/files.h"

#include <cstring>

namespace os {
namespace {
std::string folder = "./data";
}

void setDataFolder(const std::string& newFolder)
{
    folder = newFolder;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
}

const std::string& dataFolder() { return folder; }

std::string resolvePath(const char* path)
{
    if (!path)
        return {};
    for (const char* prefix : {"./data/", "data/"}) {
        const size_t length = std::strlen(prefix);
        if (std::strncmp(path, prefix, length) == 0)
            return folder + "/" + (path + length);
    }
    return path;
}

FILE* openFile(const char* path, const char* mode)
{
    if (!path || !mode)
        return nullptr;
    return std::fopen(resolvePath(path).c_str(), mode);
}

} // namespace os
