// The sound probes: `mp3` decodes a whole file through os::decodeMp3File and writes the samples,
// so the two builds' decoders can be compared sample for sample; `play` plays a file through the
// FSOUND layer and measures its play position against the wall clock, which is what the demo's
// timing rests on. Only the portable interfaces are used: the same source runs over mpg123 and
// SDL on Linux and over ACM and waveOut on Windows.
#include "tools/layer-probe/probes.h"

#include "platform/fsound.h"
#include "platform/mp3_decode.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr unsigned streamOpenMode = 0x130; // the music object's modes
constexpr unsigned streamPlayMode = 2;
constexpr int samplePeriodMs = 100;

bool writeLittleEndian(const std::string& path, const std::vector<int16_t>& samples)
{
    std::vector<unsigned char> bytes(samples.size() * 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        const auto value = uint16_t(samples[i]);
        bytes[2 * i] = uint8_t(value & 0xFF);
        bytes[2 * i + 1] = uint8_t(value >> 8);
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

struct Sample {
    double wallMs;
    int positionMs;
};

} // namespace

// layer-probe mp3 FILE OUT.raw: prints "rate R channels C frames N" (all 0 when the file does not
// decode) and writes the interleaved 16-bit little-endian samples to OUT.raw.
int probeMp3(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: layer-probe mp3 FILE OUT.raw\n");
        return 2;
    }
    long rate = 0;
    int channels = 0;
    const std::vector<int16_t> samples = os::decodeMp3File(argv[1], rate, channels);
    const size_t frames = channels > 0 ? samples.size() / size_t(channels) : 0;
    std::printf("rate %ld channels %d frames %zu\n", rate, channels, frames);
    if (!writeLittleEndian(argv[2], samples)) {
        std::fprintf(stderr, "layer-probe: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}

// layer-probe play FILE SECONDS: plays FILE (or, when it does not open, the silent clock, as the
// demo does) and samples the position every 100 ms. Prints each sample ("at wall_ms W
// position_ms P"), then the open error, whether a device is open, the last position and wall
// time, the position's rate against the wall clock over the run's second half, and when the
// position first moved.
int probePlay(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: layer-probe play FILE SECONDS\n");
        return 2;
    }
    const double seconds = std::atof(argv[2]);
    if (!(seconds > 0 && seconds < 3600)) {
        std::fprintf(stderr, "layer-probe: SECONDS must be between 0 and 3600\n");
        return 2;
    }
    if (!FSOUND_Init(44100, 128, 2)) {
        std::fprintf(stderr, "layer-probe: FSOUND_Init failed with error %d\n", FSOUND_GetError());
        return 1;
    }
    FSOUND_STREAM* stream = FSOUND_Stream_Open(argv[1], streamOpenMode, 0, 0);
    const int openError = stream ? FMOD_ERR_NONE : FSOUND_GetError();
    if (!stream)
        std::printf("open failed: error %d (error text %d); playing the silent clock\n", openError, openError);
    FSOUND_Stream_SetMode(stream, streamPlayMode);

    using Clock = std::chrono::steady_clock;
    const Clock::time_point playedAt = Clock::now();
    FSOUND_Stream_Play(0, stream);
    std::vector<Sample> samples;
    const int ticks = int(seconds * 1000 / samplePeriodMs + 0.5);
    for (int tick = 1; tick <= ticks; ++tick) {
        std::this_thread::sleep_until(playedAt + std::chrono::milliseconds(tick * samplePeriodMs));
        const int positionMs = FSOUND_Stream_GetTime(stream);
        samples.push_back({std::chrono::duration<double, std::milli>(Clock::now() - playedAt).count(), positionMs});
    }

    // The rate is taken over the second half of the run: outputs take a while to settle (Wine's
    // PulseAudio driver corrects its latency estimate over the first one to two and a half seconds).
    const Sample last = samples.empty() ? Sample{0, 0} : samples.back();
    const Sample from = samples.empty() ? Sample{0, 0} : samples[samples.size() / 2];
    double firstMoveMs = -1;
    for (const Sample& sample : samples) {
        std::printf("at wall_ms %.0f position_ms %d\n", sample.wallMs, sample.positionMs);
        if (firstMoveMs < 0 && sample.positionMs > 0)
            firstMoveMs = sample.wallMs;
    }
    const double ratio = last.wallMs > from.wallMs ? (last.positionMs - from.positionMs) / (last.wallMs - from.wallMs) : 0;
    std::printf("device %d open_error %d position_ms %d wall_ms %.0f ratio %.4f first_move_ms %.0f\n",
                fsound::hasDevice() ? 1 : 0, openError, last.positionMs, last.wallMs, ratio, firstMoveMs);
    FSOUND_Close();
    return 0;
}
