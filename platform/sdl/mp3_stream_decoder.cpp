#include "platform/sdl/mp3_stream_decoder.h"

#include "platform/linux/mpg123_file.h"

#include <SDL.h>
#include <mpg123.h>

namespace {

constexpr size_t fileBlockBytes = 16384;

bool decoderLibraryReady()
{
    static const bool ready = mpg123_init() == MPG123_OK;
    return ready;
}

} // namespace

Mp3StreamDecoder::~Mp3StreamDecoder() { close(); }

void Mp3StreamDecoder::close()
{
    if (converter_)
        SDL_FreeAudioStream(converter_);
    converter_ = nullptr;
    if (decoder_) {
        mpg123_close(decoder_);
        mpg123_delete(decoder_);
    }
    decoder_ = nullptr;
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
}

Mp3StreamDecoder::OpenResult Mp3StreamDecoder::open(const std::string& path, int outputRate)
{
    close();
    fileEnded_ = false;
    if (!decoderLibraryReady())
        return OpenResult::noDecoder;
    int error = MPG123_OK;
    decoder_ = mpg123_new(nullptr, &error);
    if (!decoder_)
        return OpenResult::noMemory;
    // Only real MPEG audio counts: no hunting for a frame sync deep inside some other file.
    mpg123_param(decoder_, MPG123_RESYNC_LIMIT, 2048, 0);
    mpg123_param(decoder_, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(decoder_);
    for (long rate : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L})
        mpg123_format(decoder_, rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    file_ = os::openMpg123File(decoder_, path).release();
    if (!file_) {
        close();
        return OpenResult::badFile;
    }
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(decoder_, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 ||
        channels < 1 || channels > 2) {
        close();
        return OpenResult::badFormat;
    }
    converter_ = SDL_NewAudioStream(AUDIO_S16SYS, Uint8(channels), int(rate), AUDIO_S16SYS,
                                    outputChannels, outputRate);
    if (!converter_) {
        close();
        return OpenResult::noMemory;
    }
    fileBytes_.resize(fileBlockBytes);
    return OpenResult::ok;
}

size_t Mp3StreamDecoder::read(int16_t* out, size_t capacity)
{
    if (!converter_)
        return 0;
    const int wanted = int(capacity / outputChannels * outputChannels * sizeof(int16_t));
    for (;;) {
        const int got = SDL_AudioStreamGet(converter_, out, wanted);
        if (got > 0)
            return size_t(got) / sizeof(int16_t);
        if (got < 0 || fileEnded_)
            return 0;
        size_t done = 0;
        const int result = mpg123_read(decoder_, fileBytes_.data(), fileBytes_.size(), &done);
        if (done > 0)
            SDL_AudioStreamPut(converter_, fileBytes_.data(), int(done));
        if (result == MPG123_DONE || (result != MPG123_OK && result != MPG123_NEW_FORMAT && done == 0))
            fileEnded_ = true;
        if (fileEnded_)
            SDL_AudioStreamFlush(converter_);
    }
}
