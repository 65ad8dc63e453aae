// Fuzz target for the MP3 readers: the whole-file decoder, and the sound layer's stream, which is
// opened and played on SDL's dummy audio device so that its decoder thread really decodes the
// bytes (format negotiation, resampling to the output rate, the ring buffer) while the output
// stays muted. Play returns once the decoder is a few callbacks ahead, which is the whole of a
// short input; close stops it there. Any bytes must give a clean refusal or a stream that plays
// and closes.
#include "platform/fsound.h"
#include "platform/mp3_decode.h"
#include "tests/fuzz/fuzz_file.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
constexpr int mixRate = 44100;
constexpr int softwareChannels = 32;
constexpr unsigned streamOpenMode = 0x130; // the music object's mode; the layer ignores it
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The dummy driver gives a device without sound hardware; its callback drains the ring.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    fsound::setMuted(true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    static FuzzFile file;
    const char* path = file.write(bytes, size);

    long rate = 0;
    int channels = 0;
    const std::vector<int16_t> samples = os::decodeMp3File(path, rate, channels);
    if (!samples.empty() && (rate <= 0 || channels < 1 || channels > 2))
        __builtin_trap();

    // The layer stays started across inputs that it refuses; after a stream has played it is
    // closed, which stops and joins the decoder thread before the next input. Closing waits for
    // SDL's audio thread to drain (tens of milliseconds), so refusals skip it.
    static bool started = false;
    if (!started) {
        if (!FSOUND_Init(mixRate, softwareChannels, 0))
            __builtin_trap();
        if (!fsound::hasDevice()) {
            std::fprintf(stderr, "mp3_fuzz: SDL's dummy audio driver is not available\n");
            std::abort();
        }
        started = true;
    }
    FSOUND_STREAM* stream = FSOUND_Stream_Open(path, streamOpenMode, 0, 0);
    if (!stream) {
        const int error = FSOUND_GetError();
        if (error != FMOD_ERR_FILE_BAD && error != FMOD_ERR_FILE_FORMAT)
            __builtin_trap();
        return 0;
    }
    if (FSOUND_GetError() != FMOD_ERR_NONE || !FSOUND_Stream_SetMode(stream, streamOpenMode))
        __builtin_trap();
    if (FSOUND_Stream_Play(0, stream) != 0)
        __builtin_trap();
    volatile int position = FSOUND_Stream_GetTime(stream);
    (void)position;
    FSOUND_Close();
    started = false;
    return 0;
}
