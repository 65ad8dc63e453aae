#include "platform/os.h"
#include "world/world.h"

#include "tests/unit/virtual_clock.h"

#include <gtest/gtest.h>

namespace {

struct FakeMusic : MusicClock {
    bool playing = false;
    int32_t positionMs = 0;
    bool isPlaying() const override { return playing; }
    int32_t position() const override { return positionMs; }
};

class WorldClock : public ::testing::Test {
protected:
    void SetUp() override { os::selectBackend(os::Backend::Headless); }
};

} // namespace

TEST_F(WorldClock, WithoutMusicBothClocksFollowTheWallClock)
{
    World clockWorld;
    EXPECT_EQ(clockWorld.updateClock(50), 0);
    EXPECT_EQ(demoTime, 0.0f);
    testclock::advanceMs(16);
    EXPECT_EQ(clockWorld.updateClock(50), 0); // 16 ms is less than one 20 ms tick
    testclock::advanceMs(4);
    EXPECT_EQ(clockWorld.updateClock(50), 1);
    testclock::advanceMs(980);
    EXPECT_EQ(clockWorld.updateClock(50), 50);
    EXPECT_FLOAT_EQ(demoTime, 1.0f);
    testclock::advanceMs(45);
    EXPECT_EQ(clockWorld.updateClock(50), 52); // late frames see ticks jump by more than 2
}

TEST_F(WorldClock, PlayingMusicSetsDemoTimeButTicksStayOnTheWallClock)
{
    World clockWorld;
    FakeMusic music;
    clockWorld.setMusicClock(&music);
    music.playing = true;
    music.positionMs = 12345;
    testclock::advanceMs(500);
    EXPECT_EQ(clockWorld.updateClock(50), 25);
    EXPECT_EQ(demoTime, float(12345 * 0.001));
    music.playing = false;
    clockWorld.updateClock(50);
    EXPECT_FLOAT_EQ(demoTime, 0.5f);
}
