#include "platform/linux/mpg123_file.h"

#include <sys/types.h>

namespace os {

namespace {

mpg123_ssize_t readFile(void* handle, void* out, size_t bytes)
{
    FILE* file = static_cast<FILE*>(handle);
    const size_t got = std::fread(out, 1, bytes, file);
    if (got == 0 && std::ferror(file))
        return -1;
    return mpg123_ssize_t(got);
}

off_t seekFile(void* handle, off_t offset, int origin)
{
    FILE* file = static_cast<FILE*>(handle);
    if (fseeko(file, offset, origin) != 0)
        return -1;
    return ftello(file);
}

} // namespace

FilePointer openMpg123File(mpg123_handle* decoder, const std::string& path)
{
    FilePointer file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return nullptr;
    // No clean-up callback: the file belongs to the caller, whatever the decoder does.
    if (mpg123_replace_reader_handle(decoder, readFile, seekFile, nullptr) != MPG123_OK ||
        mpg123_open_handle(decoder, file.get()) != MPG123_OK)
        return nullptr;
    return file;
}

} // namespace os
