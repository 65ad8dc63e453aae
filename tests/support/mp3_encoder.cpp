// The test sounds' MP3 encoder, over LAME; see tests/unit/mp3_files.h. With
// TALVOREN_RECORD_INPUTS set to a folder, every sound made is also written there under its
// fixture name, for the Windows tests (tests/support/recorded_inputs.h).
#include "tests/support/recorded_inputs.h"
#include "tests/unit/mp3_files.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <numbers>
#include <vector>

#include <lame/lame.h>

namespace mp3files {

bool writeSineMp3(const std::string& path, double seconds, int sampleRate, int channels, double hz)
{
    if (seconds < 0 || sampleRate <= 0 || (channels != 1 && channels != 2))
        return false;

    std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> encoder(lame_init(), lame_close);
    if (!encoder)
        return false;
    lame_set_in_samplerate(encoder.get(), sampleRate);
    lame_set_out_samplerate(encoder.get(), sampleRate); // keep the file at the rate asked for
    lame_set_num_channels(encoder.get(), channels);
    lame_set_mode(encoder.get(), channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(encoder.get(), 128);
    lame_set_quality(encoder.get(), 7); // fast: the tone does not need a careful encoder
    // No Xing/Info frame: it would have to be patched in at the file's start after encoding.
    lame_set_bWriteVbrTag(encoder.get(), 0);
    if (lame_init_params(encoder.get()) < 0)
        return false;

    constexpr double amplitude = 0.3 * 32767;
    constexpr int chunkFrames = 4096;
    const auto totalFrames = static_cast<int64_t>(std::llround(seconds * sampleRate));
    std::vector<short> pcm(std::size_t(chunkFrames) * channels);
    // LAME's worst case for n samples is 1.25 n + 7200 bytes.
    std::vector<unsigned char> mp3(chunkFrames * 5 / 4 + 7200);
    std::vector<uint8_t> bytes;

    for (int64_t first = 0; first < totalFrames; first += chunkFrames) {
        const int frames = int(std::min<int64_t>(chunkFrames, totalFrames - first));
        for (int i = 0; i < frames; ++i) {
            const double t = double(first + i) / sampleRate;
            const auto sample = static_cast<short>(std::lround(amplitude * std::sin(2 * std::numbers::pi * hz * t)));
            for (int c = 0; c < channels; ++c)
                pcm[std::size_t(i) * channels + c] = sample;
        }
        const int written = channels == 2
            ? lame_encode_buffer_interleaved(encoder.get(), pcm.data(), frames, mp3.data(), int(mp3.size()))
            : lame_encode_buffer(encoder.get(), pcm.data(), pcm.data(), frames, mp3.data(), int(mp3.size()));
        if (written < 0)
            return false;
        bytes.insert(bytes.end(), mp3.begin(), mp3.begin() + written);
    }
    const int flushed = lame_encode_flush(encoder.get(), mp3.data(), int(mp3.size()));
    if (flushed < 0)
        return false;
    bytes.insert(bytes.end(), mp3.begin(), mp3.begin() + flushed);

    recorded::keep(recorded::mp3Name(seconds, sampleRate, channels, hz), bytes);
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file)
        return false;
    return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

} // namespace mp3files
