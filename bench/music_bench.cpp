// Music clock benchmark: writes a tone MP3, plays it through the sound layer and polls the play
// position about every millisecond, reporting how far it ever strays from the wall clock since
// play, and what the decoder costs. Uses the real audio device when there is one (or whatever
// SDL_AUDIODRIVER names), SDL's dummy driver otherwise.
//
//   music_bench [--seconds N]     (default 60)
#include "platform/fsound.h"
#include "tests/unit/mp3_files.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

namespace {

constexpr double targetGapMs = 20;
constexpr unsigned openMode = 0x130;

// Starts the layer on a device: SDL's choice first, the dummy driver when that finds none.
const char* startLayer()
{
    if (const char* driver = std::getenv("SDL_AUDIODRIVER"); driver && *driver) {
        FSOUND_Init(44100, 128, 2);
        return driver;
    }
    FSOUND_Init(44100, 128, 2);
    if (fsound::hasDevice())
        return "default device";
    FSOUND_Close();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    FSOUND_Init(44100, 128, 2);
    return "dummy";
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = 60;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: %s [--seconds N]\n", argv[0]);
            return 2;
        }
    }
    if (!(seconds > 0)) {
        std::fprintf(stderr, "--seconds wants a positive number\n");
        return 2;
    }

    const std::string path = (std::filesystem::temp_directory_path() / "talvoren_music_bench.mp3").string();
    if (!mp3files::writeSineMp3(path, seconds)) {
        std::fprintf(stderr, "could not write %s\n", path.c_str());
        return 1;
    }
    const char* driver = startLayer();
    if (!fsound::hasDevice())
        std::printf("note: no audio device opened; the position is the wall clock\n");
    FSOUND_STREAM* stream = FSOUND_Stream_Open(path.c_str(), openMode, 0, 0);
    if (!stream) {
        std::fprintf(stderr, "could not open %s (error %d)\n", path.c_str(), FSOUND_GetError());
        return 1;
    }

    using Clock = std::chrono::steady_clock;
    FSOUND_Stream_Play(0, stream);
    const Clock::time_point playedAt = Clock::now();
    const double durationMs = seconds * 1000;
    double worstGapMs = 0, worstAtMs = 0, gapSumMs = 0;
    double lastSignedGapMs = 0; // position - wall at the last poll: the drift over the run
    long polls = 0;
    for (;;) {
        const int positionMs = FSOUND_Stream_GetTime(stream);
        const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - playedAt).count();
        if (wallMs >= durationMs)
            break;
        lastSignedGapMs = positionMs - wallMs;
        const double gapMs = std::fabs(lastSignedGapMs);
        if (gapMs > worstGapMs) {
            worstGapMs = gapMs;
            worstAtMs = wallMs;
        }
        gapSumMs += gapMs;
        ++polls;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    FSOUND_Close(); // joins the decoder thread, so its CPU time is counted
    std::filesystem::remove(path);

    std::printf("driver: %s, %.1f s of music, %ld polls\n", driver, seconds, polls);
    std::printf("largest |position - wall| gap: %.2f ms at %.0f ms (target < %.0f ms: %s); mean %.2f ms\n",
                worstGapMs, worstAtMs, targetGapMs, worstGapMs < targetGapMs ? "met" : "MISSED",
                polls ? gapSumMs / double(polls) : 0.0);
    std::printf("position - wall at the end: %+.2f ms\n", lastSignedGapMs);
    std::printf("decoder CPU: %.5f s per second of music\n", fsound::decoderCpuSeconds() / seconds);
    return 0;
}
