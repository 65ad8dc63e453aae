// Shared by the fuzz targets: the readers take a path, so each input is written to an
// in-memory file that the reader opens by its /proc/self/fd path.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

class FuzzFile {
public:
    FuzzFile()
    {
        descriptor_ = memfd_create("talvoren_fuzz", 0);
        if (descriptor_ < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        path_ = "/proc/self/fd/" + std::to_string(descriptor_);
    }

    // Replaces the file's contents with the input; returns the path to open.
    const char* write(const uint8_t* bytes, size_t size)
    {
        if (ftruncate(descriptor_, 0) != 0 ||
            (size > 0 && pwrite(descriptor_, bytes, size, 0) != ssize_t(size))) {
            std::perror("writing the fuzz input");
            std::abort();
        }
        return path_.c_str();
    }

private:
    int descriptor_ = -1;
    std::string path_;
};
