#include "platform/mp3_decode.h"

#include "platform/linux/mpg123_file.h"

#include <memory>

#include <mpg123.h>

namespace os {

std::vector<int16_t> decodeMp3File(const std::string& path, long& rate, int& channels)
{
    std::vector<int16_t> out;
    rate = 0;
    channels = 0;
    mpg123_init();
    int error = MPG123_OK;
    std::unique_ptr<mpg123_handle, void (*)(mpg123_handle*)> decoder(mpg123_new(nullptr, &error), mpg123_delete);
    if (!decoder)
        return out;
    mpg123_param(decoder.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    const FilePointer file = openMpg123File(decoder.get(), path);
    if (!file)
        return out;
    int encoding = 0;
    if (mpg123_getformat(decoder.get(), &rate, &channels, &encoding) != MPG123_OK
        || encoding != MPG123_ENC_SIGNED_16) {
        mpg123_close(decoder.get());
        return out;
    }
    std::vector<unsigned char> buffer(65536);
    for (;;) {
        size_t done = 0;
        const int result = mpg123_read(decoder.get(), buffer.data(), buffer.size(), &done);
        const auto* samples = reinterpret_cast<const int16_t*>(buffer.data());
        out.insert(out.end(), samples, samples + done / 2);
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT)
            break;
    }
    mpg123_close(decoder.get());
    return out;
}

} // namespace os
