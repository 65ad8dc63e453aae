#include "platform/fsound.h"

#include "platform/files.h"
#include "platform/os.h"
#include "platform/sdl/mp3_stream_decoder.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct FSOUND_STREAM {
    Mp3StreamDecoder decoder;
    std::thread thread;
    std::mutex mutex;
    std::condition_variable spaceFreed;
    std::vector<int16_t> ring; // interleaved stereo samples decoded ahead
    size_t readIndex = 0;      // in samples
    size_t filled = 0;         // samples waiting in the ring
    bool decodingDone = false;
    bool stopping = false;
    bool started = false;
};

namespace {

constexpr float layerVersion = 3.71f;
constexpr int outputChannels = Mp3StreamDecoder::outputChannels; // the device plays what the decoder gives
constexpr int ringSeconds = 2;
constexpr int callbackFrames = 1024;

struct Layer {
    bool initialised = false;
    int lastError = FMOD_ERR_NONE;
    float reportedVersion = layerVersion;
    std::atomic<int> volume{255};
    std::atomic<bool> muted{false};
    int mixRate = 44100;
    SDL_AudioDeviceID device = 0;
    bool startedAudio = false;
    // SDL's dummy and disk drivers pace their callback by whole-millisecond sleeps, which hands
    // out frames about 0.5 % faster than real time: their position comes from the clock instead.
    bool deviceKeepsTime = false;

    // The play clock. With a device it counts the frames the callback has handed out; without,
    // it is the tick count since play.
    std::atomic<bool> clockRunning{false};
    uint32_t playTick = 0;
    std::atomic<uint64_t> framesPlayed{0};
    std::atomic<uint64_t> lastCallbackMicros{0};

    std::mutex playingMutex;
    FSOUND_STREAM* playing = nullptr; // the stream the callback drains
    std::vector<std::unique_ptr<FSOUND_STREAM>> streams;
    std::atomic<uint64_t> decoderCpuNanos{0};
};

// Nothing else stops the streams: at exit, the decoder threads must still be joined.
struct LayerOwner {
    ~LayerOwner();
};

Layer layer;
LayerOwner layerOwner;

uint64_t wallMicros()
{
    const uint64_t counter = SDL_GetPerformanceCounter();
    const uint64_t frequency = SDL_GetPerformanceFrequency();
    return counter / frequency * 1'000'000 + counter % frequency * 1'000'000 / frequency;
}

uint64_t threadCpuNanos()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return uint64_t(now.tv_sec) * 1'000'000'000ull + uint64_t(now.tv_nsec);
}

// Runs on SDL's audio thread: hands out decoded samples (silence once the stream has ended or
// while the decoder is behind) and counts every frame, so the clock never stops.
void audioCallback(void*, Uint8* bytes, int length)
{
    auto* out = reinterpret_cast<int16_t*>(bytes);
    const size_t samples = size_t(length) / sizeof(int16_t);
    std::fill(out, out + samples, int16_t(0));
    {
        std::lock_guard<std::mutex> lock(layer.playingMutex);
        if (FSOUND_STREAM* stream = layer.playing) {
            std::lock_guard<std::mutex> ringLock(stream->mutex);
            const size_t take = std::min(samples, stream->filled);
            for (size_t i = 0; i < take; ++i)
                out[i] = stream->ring[(stream->readIndex + i) % stream->ring.size()];
            stream->readIndex = (stream->readIndex + take) % stream->ring.size();
            stream->filled -= take;
            stream->spaceFreed.notify_one();
        }
    }
    const int volume = layer.muted ? 0 : layer.volume.load();
    if (volume < 255)
        for (size_t i = 0; i < samples; ++i)
            out[i] = int16_t(int(out[i]) * volume / 255);
    if (layer.clockRunning) {
        layer.framesPlayed += samples / outputChannels;
        layer.lastCallbackMicros = wallMicros();
    }
}

// The decoder thread: keeps the ring topped up until the file ends or the stream stops.
void decodeAhead(FSOUND_STREAM* stream)
{
    uint64_t cpuCounted = threadCpuNanos();
    auto countCpu = [&] {
        const uint64_t now = threadCpuNanos();
        layer.decoderCpuNanos += now - cpuCounted;
        cpuCounted = now;
    };
    std::vector<int16_t> converted(16384);
    for (;;) {
        const size_t count = stream->decoder.read(converted.data(), converted.size());
        size_t written = 0;
        std::unique_lock<std::mutex> lock(stream->mutex);
        while (written < count) {
            stream->spaceFreed.wait(lock, [&] { return stream->stopping || stream->filled < stream->ring.size(); });
            if (stream->stopping)
                break;
            const size_t space = stream->ring.size() - stream->filled;
            const size_t chunk = std::min(space, count - written);
            size_t writeIndex = (stream->readIndex + stream->filled) % stream->ring.size();
            for (size_t i = 0; i < chunk; ++i, writeIndex = (writeIndex + 1) % stream->ring.size())
                stream->ring[writeIndex] = converted[written + i];
            stream->filled += chunk;
            written += chunk;
        }
        if (stream->stopping || count == 0) {
            stream->decodingDone = true;
            break;
        }
        lock.unlock();
        countCpu();
    }
    countCpu();
}

void destroyStream(FSOUND_STREAM* stream)
{
    {
        std::lock_guard<std::mutex> lock(stream->mutex);
        stream->stopping = true;
    }
    stream->spaceFreed.notify_all();
    if (stream->thread.joinable())
        stream->thread.join();
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
    if (!SDL_WasInit(SDL_INIT_AUDIO)) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return 1; // no audio system at all: play silently on the clock
        layer.startedAudio = true;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = layer.mixRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = outputChannels;
    wanted.samples = callbackFrames;
    wanted.callback = audioCallback;
    SDL_AudioSpec obtained{};
    layer.device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (layer.device == 0) {
        std::fprintf(stderr, "sound: no audio device (%s); the music plays silently\n", SDL_GetError());
    } else {
        const char* driver = SDL_GetCurrentAudioDriver();
        const std::string name = driver ? driver : "";
        layer.deviceKeepsTime = name != "dummy" && name != "disk";
    }
    return 1;
}

int FSOUND_GetError() { return layer.lastError; }

void FSOUND_SetSFXMasterVolume(int volume) { layer.volume = std::clamp(volume, 0, 255); }

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
    switch (stream->decoder.open(resolved, layer.mixRate)) {
    case Mp3StreamDecoder::OpenResult::ok: break;
    case Mp3StreamDecoder::OpenResult::noDecoder: layer.lastError = FMOD_ERR_INIT; return nullptr;
    case Mp3StreamDecoder::OpenResult::noMemory: layer.lastError = FMOD_ERR_MEMORY; return nullptr;
    case Mp3StreamDecoder::OpenResult::badFile: layer.lastError = FMOD_ERR_FILE_BAD; return nullptr;
    case Mp3StreamDecoder::OpenResult::badFormat: layer.lastError = FMOD_ERR_FILE_FORMAT; return nullptr;
    }
    stream->ring.assign(size_t(layer.mixRate) * outputChannels * ringSeconds, 0);
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
    layer.clockRunning = true;
    layer.playTick = os::getTickCount();
    layer.framesPlayed = 0;
    layer.lastCallbackMicros = 0;
    if (!stream) {
        layer.lastError = FMOD_ERR_INVALID_PARAM;
        if (layer.device)
            SDL_PauseAudioDevice(layer.device, 0);
        return -1;
    }
    // Headless and device-less runs need no samples: the clock is all that plays.
    if (layer.device && !stream->started) {
        stream->started = true;
        stream->thread = std::thread(decodeAhead, stream);
        // Let the decoder get ahead (at most 100 ms) before the first callback asks for samples.
        for (int i = 0; i < 100; ++i) {
            {
                std::lock_guard<std::mutex> lock(stream->mutex);
                if (stream->filled >= size_t(callbackFrames) * outputChannels * 4 || stream->decodingDone)
                    break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        {
            std::lock_guard<std::mutex> lock(layer.playingMutex);
            layer.playing = stream;
        }
        SDL_PauseAudioDevice(layer.device, 0);
    }
    return channel;
}

int FSOUND_Stream_GetTime(FSOUND_STREAM*)
{
    if (!layer.clockRunning)
        return 0;
    if (!layer.device || !layer.deviceKeepsTime)
        return int(uint32_t(os::getTickCount() - layer.playTick));
    // Frames handed to the device, plus the time since that hand-over, up to one callback's worth.
    const uint64_t frames = layer.framesPlayed;
    const uint64_t last = layer.lastCallbackMicros;
    if (last == 0)
        return 0;
    const uint64_t callbackMicros = uint64_t(callbackFrames) * 1'000'000 / uint64_t(layer.mixRate);
    const uint64_t since = std::min(wallMicros() - last, callbackMicros);
    // The frames of the last callback are still being played: count from its start.
    const uint64_t playedFrames = frames >= callbackFrames ? frames - callbackFrames : 0;
    return int((playedFrames * 1'000'000 / uint64_t(layer.mixRate) + since) / 1000);
}

void FSOUND_Close()
{
    if (layer.device) {
        SDL_PauseAudioDevice(layer.device, 1);
        SDL_CloseAudioDevice(layer.device);
        layer.device = 0;
    }
    layer.deviceKeepsTime = false;
    {
        std::lock_guard<std::mutex> lock(layer.playingMutex);
        layer.playing = nullptr;
    }
    for (auto& stream : layer.streams)
        destroyStream(stream.get());
    layer.streams.clear();
    if (layer.startedAudio) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        layer.startedAudio = false;
    }
    layer.initialised = false;
    layer.clockRunning = false;
    layer.lastError = FMOD_ERR_NONE;
    layer.framesPlayed = 0;
    layer.lastCallbackMicros = 0;
}

LayerOwner::~LayerOwner()
{
    if (!SDL_WasInit(SDL_INIT_AUDIO))
        layer.device = 0; // SDL has already shut down: only the threads are left to stop
    FSOUND_Close();
}

namespace fsound {

void setReportedVersion(float version) { layer.reportedVersion = version; }
void setMuted(bool muted) { layer.muted = muted; }
bool hasDevice() { return layer.device != 0; }
double decoderCpuSeconds() { return double(layer.decoderCpuNanos.load()) * 1e-9; }

} // namespace fsound
