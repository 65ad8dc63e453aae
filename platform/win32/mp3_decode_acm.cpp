// Whole-file MP3 decoding on Windows: the sound layer's own ACM decoder run to the end, so the
// tools see exactly the samples the demo plays.
#include "platform/mp3_decode.h"

#include "platform/win32/acm_mp3.h"

namespace os {

std::vector<int16_t> decodeMp3File(const std::string& path, long& rate, int& channels)
{
    std::vector<int16_t> out;
    rate = 0;
    channels = 0;
    AcmMp3 decoder;
    if (decoder.open(path) != AcmMp3::OpenResult::Ok)
        return out;
    rate = decoder.sampleRateHz();
    channels = decoder.channelCount();
    constexpr size_t chunkFrames = 16384;
    std::vector<int16_t> chunk(chunkFrames * size_t(channels));
    // Each read either fills the chunk or reaches the end, and the decoder ends with the file.
    for (;;) {
        const size_t frames = decoder.read(chunk.data(), chunkFrames);
        out.insert(out.end(), chunk.begin(), chunk.begin() + std::ptrdiff_t(frames * size_t(channels)));
        if (frames < chunkFrames)
            break;
    }
    return out;
}

} // namespace os
