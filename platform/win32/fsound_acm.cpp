// The sound layer on Windows: the FSOUND_* calls over the ACM MP3 decoder (acm_mp3.h) and
// waveOut, with the Linux layer's behaviour.
//
// The device plays at the file's own rate and channel count, so nothing is resampled: it is
// opened at FSOUND_Init in the mix format (which tells whether there is a device at all) and
// reopened in the stream's format when a stream starts. A feeder thread decodes into a ring of
// waveOut buffers as they come back and, after the stream's end, keeps writing silence, so the
// device and its position keep running. The position is the device's count of samples played
// (waveOutGetPosition), which waits for the output's start-up latency and then follows the audio
// actually heard. Without a device (no sound card, or waveOut without a driver), headless (no
// device is opened then, as on Linux) or after playing a null stream, the position is the tick
// count since FSOUND_Stream_Play, which is the virtual clock when headless.
#include "platform/fsound.h"

#include "platform/files.h"
#include "platform/os.h"
#include "platform/win32/acm_mp3.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct FSOUND_STREAM {
    AcmMp3 decoder;
    bool started = false; // its samples have gone to the device
};

namespace {

constexpr float layerVersion = 3.71f;
constexpr int maxVolume = 255;
constexpr int mixChannels = 2;
constexpr int outputBufferCount = 8;
constexpr int bufferFrames = 2048; // 46 ms at 44.1 kHz: eight keep ~370 ms queued
constexpr DWORD feederWakeMs = 20; // the feeder also looks round without waveOut's signal
constexpr uint32_t positionBackwards = 0x80000000u;

struct OutputBuffer {
    WAVEHDR header{};
    std::vector<int16_t> samples;
    bool prepared = false;
};

struct Layer {
    bool initialised = false;
    int lastError = FMOD_ERR_NONE;
    float reportedVersion = layerVersion;
    std::atomic<int> volume{maxVolume};
    std::atomic<bool> muted{false};
    int mixRate = 44100;
    bool noDeviceReported = false;

    // The device. The feeder thread writes to it; the calls below stop the feeder before they
    // change it. The mutex covers the handle and the position bookkeeping.
    std::mutex deviceMutex;
    HWAVEOUT device = nullptr;
    HANDLE bufferDone = nullptr; // set by waveOut whenever a buffer comes back
    int deviceRateHz = 0;
    int deviceChannels = 0;
    uint32_t lastRawSamples = 0;   // waveOutGetPosition's 32-bit count, to follow its wrap
    uint64_t playedSamples = 0;    // since the device was opened or reset
    uint64_t playStartSamples = 0; // playedSamples at FSOUND_Stream_Play

    // The play clock: the device's position while a stream plays on it, else the tick count.
    std::atomic<bool> clockRunning{false};
    bool clockFromDevice = false;
    uint32_t playTick = 0;

    FSOUND_STREAM* playing = nullptr; // the stream the feeder decodes
    std::thread feeder;
    std::atomic<bool> stopFeeding{false};
    std::array<OutputBuffer, outputBufferCount> buffers;
    std::atomic<uint64_t> decoderCpuNanos{0};

    std::vector<std::unique_ptr<FSOUND_STREAM>> streams;
};

// Nothing else stops the feeder: at exit, its thread must still be joined.
struct LayerOwner {
    ~LayerOwner();
};

Layer layer;
LayerOwner layerOwner;

uint64_t threadCpuNanos()
{
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    auto ticks = [](const FILETIME& time) { return uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime; };
    constexpr uint64_t nanosPerTick = 100;
    return (ticks(kernel) + ticks(user)) * nanosPerTick;
}

// Fills one buffer from the stream (silence once it has ended) at the current volume.
void fillBuffer(OutputBuffer& buffer, FSOUND_STREAM* stream)
{
    const size_t channels = size_t(layer.deviceChannels);
    const size_t frames = stream->decoder.read(buffer.samples.data(), bufferFrames);
    std::fill(buffer.samples.begin() + std::ptrdiff_t(frames * channels), buffer.samples.end(), int16_t(0));
    const int volume = layer.muted ? 0 : layer.volume.load();
    if (volume < maxVolume)
        for (int16_t& sample : buffer.samples)
            sample = int16_t(int(sample) * volume / maxVolume);
}

// The feeder thread: primes every buffer, then refills each one as the device hands it back.
void feed(FSOUND_STREAM* stream)
{
    uint64_t cpuCounted = threadCpuNanos();
    HWAVEOUT device = layer.device;
    for (OutputBuffer& buffer : layer.buffers) {
        fillBuffer(buffer, stream);
        if (waveOutWrite(device, &buffer.header, sizeof buffer.header) != MMSYSERR_NOERROR)
            buffer.header.dwFlags |= WHDR_DONE; // try it again on the next round
    }
    while (!layer.stopFeeding) {
        WaitForSingleObject(layer.bufferDone, feederWakeMs);
        for (OutputBuffer& buffer : layer.buffers) {
            if (layer.stopFeeding)
                break;
            if (!(buffer.header.dwFlags & WHDR_DONE))
                continue;
            fillBuffer(buffer, stream);
            waveOutWrite(device, &buffer.header, sizeof buffer.header);
        }
        const uint64_t now = threadCpuNanos();
        layer.decoderCpuNanos += now - cpuCounted;
        cpuCounted = now;
    }
}

void stopFeeder()
{
    if (layer.feeder.joinable()) {
        layer.stopFeeding = true;
        SetEvent(layer.bufferDone);
        layer.feeder.join();
        layer.stopFeeding = false;
    }
    layer.playing = nullptr;
}

// Takes every buffer back from the device and rewinds its position to 0.
void resetDevice()
{
    std::lock_guard<std::mutex> lock(layer.deviceMutex);
    if (!layer.device)
        return;
    waveOutReset(layer.device);
    for (OutputBuffer& buffer : layer.buffers) {
        if (buffer.prepared)
            waveOutUnprepareHeader(layer.device, &buffer.header, sizeof buffer.header);
        buffer.prepared = false;
    }
    layer.lastRawSamples = 0;
    layer.playedSamples = 0;
    layer.playStartSamples = 0;
}

void closeDevice()
{
    stopFeeder();
    resetDevice();
    std::lock_guard<std::mutex> lock(layer.deviceMutex);
    if (layer.device)
        waveOutClose(layer.device);
    layer.device = nullptr;
    layer.deviceRateHz = 0;
    layer.deviceChannels = 0;
}

bool openDevice(int rateHz, int channels)
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = WORD(channels);
    format.nSamplesPerSec = DWORD(rateHz);
    format.wBitsPerSample = 16;
    format.nBlockAlign = WORD(channels * 2);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    HWAVEOUT device = nullptr;
    const MMRESULT result = waveOutOpen(&device, WAVE_MAPPER, &format, DWORD_PTR(layer.bufferDone), 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        if (!layer.noDeviceReported)
            std::fprintf(stderr, "sound: no audio device (waveOut error %u); the music plays silently\n", unsigned(result));
        layer.noDeviceReported = true;
        return false;
    }
    std::lock_guard<std::mutex> lock(layer.deviceMutex);
    layer.device = device;
    layer.deviceRateHz = rateHz;
    layer.deviceChannels = channels;
    layer.lastRawSamples = 0;
    layer.playedSamples = 0;
    layer.playStartSamples = 0;
    return true;
}

// Samples the device has played since it was opened or reset. Call with the device mutex held.
uint64_t devicePlayedSamples()
{
    MMTIME time{};
    time.wType = TIME_SAMPLES;
    if (waveOutGetPosition(layer.device, &time, sizeof time) != MMSYSERR_NOERROR)
        return layer.playedSamples;
    uint32_t raw = 0;
    switch (time.wType) {
    case TIME_SAMPLES: raw = time.u.sample; break;
    case TIME_BYTES: raw = time.u.cb / uint32_t(layer.deviceChannels * 2); break;
    case TIME_MS: raw = uint32_t(uint64_t(time.u.ms) * uint64_t(layer.deviceRateHz) / 1000); break;
    default: return layer.playedSamples;
    }
    const uint32_t advance = raw - layer.lastRawSamples; // wraps with the counter
    if (advance < positionBackwards) {
        layer.playedSamples += advance;
        layer.lastRawSamples = raw;
    }
    return layer.playedSamples;
}

// Starts the stream on the device, reopened in the stream's format when that differs.
bool startOnDevice(FSOUND_STREAM* stream)
{
    const int rateHz = stream->decoder.sampleRateHz();
    const int channels = stream->decoder.channelCount();
    stopFeeder();
    resetDevice();
    if (layer.deviceRateHz != rateHz || layer.deviceChannels != channels) {
        closeDevice();
        if (!openDevice(rateHz, channels))
            return false;
    }
    const DWORD bufferBytes = DWORD(bufferFrames * channels * int(sizeof(int16_t)));
    for (OutputBuffer& buffer : layer.buffers) {
        buffer.samples.assign(size_t(bufferFrames) * size_t(channels), 0);
        buffer.header = WAVEHDR{};
        buffer.header.lpData = reinterpret_cast<LPSTR>(buffer.samples.data());
        buffer.header.dwBufferLength = bufferBytes;
        buffer.prepared = waveOutPrepareHeader(layer.device, &buffer.header, sizeof buffer.header) == MMSYSERR_NOERROR;
        if (!buffer.prepared) {
            resetDevice();
            return false;
        }
    }
    stream->started = true;
    layer.playing = stream;
    ResetEvent(layer.bufferDone);
    layer.feeder = std::thread(feed, stream);
    return true;
}

bool fileExists(const std::string& path)
{
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fclose(file);
        return true;
    }
    return false;
}

} // namespace

float FSOUND_GetVersion() { return layer.reportedVersion; }

signed char FSOUND_Init(int mixRate, int, unsigned int)
{
    if (layer.initialised) {
        layer.lastError = FMOD_ERR_BUSY;
        return 0;
    }
    layer.initialised = true;
    layer.lastError = FMOD_ERR_NONE;
    layer.mixRate = mixRate > 0 ? mixRate : 44100;
    if (os::isHeadless())
        return 1; // headless runs have no output: the position follows the virtual clock
    layer.bufferDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (layer.bufferDone)
        openDevice(layer.mixRate, mixChannels); // without one, the music plays silently
    return 1;
}

int FSOUND_GetError() { return layer.lastError; }

void FSOUND_SetSFXMasterVolume(int volume) { layer.volume = std::clamp(volume, 0, maxVolume); }

FSOUND_STREAM* FSOUND_Stream_Open(const char* path, unsigned int, int, int)
{
    if (!layer.initialised) {
        layer.lastError = FMOD_ERR_UNINITIALIZED;
        return nullptr;
    }
    if (!path) {
        layer.lastError = FMOD_ERR_INVALID_PARAM;
        return nullptr;
    }
    const std::string resolved = os::resolvePath(path);
    if (!fileExists(resolved)) {
        layer.lastError = FMOD_ERR_FILE_NOTFOUND;
        return nullptr;
    }
    auto stream = std::make_unique<FSOUND_STREAM>();
    switch (stream->decoder.open(resolved)) {
    case AcmMp3::OpenResult::Ok: break;
    case AcmMp3::OpenResult::FileNotFound: layer.lastError = FMOD_ERR_FILE_NOTFOUND; return nullptr;
    case AcmMp3::OpenResult::NotMp3: layer.lastError = FMOD_ERR_FILE_FORMAT; return nullptr;
    case AcmMp3::OpenResult::NoCodec: layer.lastError = FMOD_ERR_MEDIAPLAYER; return nullptr;
    case AcmMp3::OpenResult::CodecFailed: layer.lastError = FMOD_ERR_FILE_BAD; return nullptr;
    }
    layer.lastError = FMOD_ERR_NONE;
    layer.streams.push_back(std::move(stream));
    return layer.streams.back().get();
}

signed char FSOUND_Stream_SetMode(FSOUND_STREAM* stream, unsigned int)
{
    if (!stream) {
        layer.lastError = FMOD_ERR_INVALID_PARAM;
        return 0;
    }
    return 1;
}

int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream)
{
    if (!stream) {
        layer.lastError = FMOD_ERR_INVALID_PARAM;
        layer.clockFromDevice = false;
        layer.playTick = os::getTickCount();
        layer.clockRunning = true;
        return -1;
    }
    // Headless and device-less runs need no samples: the clock is all that plays.
    if (layer.device && !stream->started)
        layer.clockFromDevice = startOnDevice(stream);
    else if (layer.playing != stream)
        layer.clockFromDevice = false;
    {
        std::lock_guard<std::mutex> lock(layer.deviceMutex);
        if (layer.clockFromDevice)
            layer.playStartSamples = devicePlayedSamples();
    }
    layer.playTick = os::getTickCount();
    layer.clockRunning = true;
    return channel;
}

int FSOUND_Stream_GetTime(FSOUND_STREAM*)
{
    if (!layer.clockRunning)
        return 0;
    std::lock_guard<std::mutex> lock(layer.deviceMutex);
    if (!layer.clockFromDevice || !layer.device || layer.deviceRateHz <= 0)
        return int(uint32_t(os::getTickCount() - layer.playTick));
    const uint64_t samples = devicePlayedSamples() - layer.playStartSamples;
    return int(samples * 1000 / uint64_t(layer.deviceRateHz));
}

void FSOUND_Close()
{
    closeDevice();
    layer.streams.clear();
    if (layer.bufferDone)
        CloseHandle(layer.bufferDone);
    layer.bufferDone = nullptr;
    layer.initialised = false;
    layer.clockRunning = false;
    layer.clockFromDevice = false;
    layer.lastError = FMOD_ERR_NONE;
    layer.noDeviceReported = false;
}

LayerOwner::~LayerOwner() { FSOUND_Close(); }

namespace fsound {

void setReportedVersion(float version) { layer.reportedVersion = version; }
void setMuted(bool muted) { layer.muted = muted; }

bool hasDevice()
{
    std::lock_guard<std::mutex> lock(layer.deviceMutex);
    return layer.device != nullptr;
}

double decoderCpuSeconds() { return double(layer.decoderCpuNanos.load()) * 1e-9; }

} // namespace fsound
