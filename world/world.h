// The world: the program-wide drawing conventions (projection with its margins, overlay mode,
// full-screen textured quad, the light, the shadow pass) and the demo's two clocks.
#pragma once

#include <cstdint>

// Elapsed wall-clock time since the world's start tick in 1/50 s units (a time, not a frame
// count). Written by preInit (1) and by the frame callback each frame; read by scenes and effects.
extern int32_t ticks;
// Seconds of music played: the demo's clock. Written by World::updateClock each frame; read by
// scenes and effects.
extern float demoTime;

// What the clock needs of the music: whether it plays, and where it is.
class MusicClock {
public:
    virtual ~MusicClock() = default;
    virtual bool isPlaying() const = 0;
    virtual int32_t position() const = 0; // milliseconds
};

class World {
public:
    World();

    // The music whose position becomes demoTime once it plays (none: the wall clock).
    void setMusicClock(const MusicClock* clock) { music = clock; }

    // Sets demoTime from the music (or the wall clock) and returns the wall-clock time since the
    // start tick in units of 1/rate second.
    int32_t updateClock(int rate);

    uint32_t startTick() const { return startTickMs; }

private:
    uint32_t startTickMs;
    const MusicClock* music = nullptr;
};

// The one world, created by preInit.
extern World* world;
