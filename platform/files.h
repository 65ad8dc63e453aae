// Where the program's files are. The program names its data as "./data/<file>"; the --data flag
// points that folder elsewhere. Every reader of outside files opens them through here.
#pragma once

#include <cstdio>
#include <string>

namespace os {

// Sets the folder that stands for "./data" (default "./data").
void setDataFolder(const std::string& folder);
const std::string& dataFolder();

// Maps "./data/<file>" (or "data/<file>") into the data folder; other paths are left as given.
std::string resolvePath(const char* path);

// fopen on the resolved path.
FILE* openFile(const char* path, const char* mode);

} // namespace os
