// The music stream's decoder: an MPEG audio file decoded with mpg123 and converted by SDL to the
// output rate in stereo, a block at a time. The sound layer's decoder thread pulls from it to fill
// its ring; it needs no audio device, so it can also be driven on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct mpg123_handle_struct;
struct _SDL_AudioStream;

class Mp3StreamDecoder {
public:
    enum class OpenResult { ok, noDecoder, noMemory, badFile, badFormat };
    static constexpr int outputChannels = 2; // what read hands out: interleaved stereo

    Mp3StreamDecoder() = default;
    ~Mp3StreamDecoder();
    Mp3StreamDecoder(const Mp3StreamDecoder&) = delete;
    Mp3StreamDecoder& operator=(const Mp3StreamDecoder&) = delete;

    // Opens the file and reads up to its first frame's format, which must be 16-bit mono or
    // stereo at one of the MPEG rates.
    OpenResult open(const std::string& path, int outputRate);

    // Up to capacity interleaved stereo samples at the output rate into out (a whole number of
    // frames); 0 once the file has ended and every sample has been handed out.
    size_t read(int16_t* out, size_t capacity);

private:
    void close();

    mpg123_handle_struct* decoder_ = nullptr;
    FILE* file_ = nullptr; // the decoder reads it; closed after the decoder
    _SDL_AudioStream* converter_ = nullptr; // file rate and channels -> output rate, stereo
    std::vector<unsigned char> fileBytes_;
    bool fileEnded_ = false;
};
