// Fuzz target for the MP3 readers: the whole-file decoder, and the music stream's decoder, driven
// directly as the sound layer's decoder thread drives it (format negotiation, conversion to the
// output rate in stereo), without an audio device to wait on. Any bytes must give a clean refusal
// or a stream that decodes to its end in whole stereo frames.
#include "platform/mp3_decode.h"
#include "platform/sdl/mp3_stream_decoder.h"
#include "tests/fuzz/fuzz_file.h"

#include <vector>

namespace {
constexpr int mixRate = 44100;
constexpr size_t blockSamples = 16384; // what the decoder thread asks for at a time
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    static FuzzFile file;
    const char* path = file.write(bytes, size);

    long rate = 0;
    int channels = 0;
    const std::vector<int16_t> samples = os::decodeMp3File(path, rate, channels);
    if (!samples.empty() && (rate <= 0 || channels < 1 || channels > 2))
        __builtin_trap();

    static std::vector<int16_t> block(blockSamples);
    Mp3StreamDecoder decoder;
    if (decoder.open(path, mixRate) != Mp3StreamDecoder::OpenResult::ok)
        return 0;
    for (;;) {
        const size_t count = decoder.read(block.data(), block.size());
        if (count == 0)
            break;
        if (count > block.size() || count % 2 != 0)
            __builtin_trap();
    }
    return 0;
}
