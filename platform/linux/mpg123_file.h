// Feeds an mpg123 decoder from a file through stdio's buffer. mpg123's own file reader makes a
// read() call for every few bytes while it searches for a frame, which is thousands of system
// calls on a damaged file or one that is not MPEG audio at all.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include <mpg123.h>

namespace os {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<FILE, FileCloser>;

// Opens path and hands it to the decoder (replacing the decoder's reader). The file must outlive
// the decoder's use of it: close the decoder first. Null when the file cannot be opened or the
// decoder refuses it.
FilePointer openMpg123File(mpg123_handle* decoder, const std::string& path);

} // namespace os
