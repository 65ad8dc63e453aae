// The music: one MP3 stream whose play position is the demo's clock.
#pragma once

#include "world/world.h"

#include <cstdint>

struct FSOUND_STREAM;

class Fmod : public MusicClock {
public:
    // Starts the sound layer; a sound layer that cannot start ends the process with status 1.
    Fmod();

    void open(const char* path);
    void play();
    bool isPlaying() const override { return playing; }
    int32_t position() const override;

    static const char* errorText(int code);

    int32_t mixRate = 0;     // output mixing rate in Hz
    int32_t maxChannels = 0; // software channels asked for
    FSOUND_STREAM* stream = nullptr;
    bool playing = false;
};

// The music, created by preInit and opened and played by worldInit.
extern Fmod* music;
// How the process ends when the sound layer cannot start (tests replace it).
extern void (*musicExit)(int status);
