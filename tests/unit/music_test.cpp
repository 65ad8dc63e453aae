// Music: the error texts, the version gate, start-up failure, a missing file, and the music's
// position as the demo's clock. Runs headless, so the sound layer plays on the virtual clock.
#include "app/music.h"

#include <memory>
#include <string>
#include <vector>

#include "tests/unit/virtual_clock.h"

#include <gtest/gtest.h>

#include "app/log.h"
#include "mp3_files.h"
#include "platform/fsound.h"
#include "platform/os.h"
#include "world/world.h"

namespace {

int exitStatus = -1; // what the last musicExit was given; -1 when it was not called

// Boxes are recorded instead of shown; the process exit is recorded instead of taken. The log is
// the disabled one a normal run has.
class MusicTest : public testing::Test {
protected:
    void SetUp() override
    {
        os::selectBackend(os::Backend::Headless);
        FSOUND_Close();
        fsound::setReportedVersion(3.71f);
        os::setMessageBoxHook([this](const std::string& text, const std::string&, unsigned) {
            boxes.push_back(text);
            return os::IDOK;
        });
        exitStatus = -1;
        musicExit = [](int status) { exitStatus = status; };
        savedLogger = logger;
        logger = &log;
    }
    void TearDown() override
    {
        logger = savedLogger;
        musicExit = savedExit;
        os::setMessageBoxHook(nullptr);
        fsound::setReportedVersion(3.71f);
        FSOUND_Close();
        os::selectBackend(os::Backend::Windowed);
    }

    std::vector<std::string> boxes;
    Log log{false};
    Log* savedLogger = nullptr;
    void (*savedExit)(int) = musicExit;
};

} // namespace

TEST_F(MusicTest, ErrorTextsAreTheLayersTable)
{
    EXPECT_STREQ(Fmod::errorText(0), "No errors");
    EXPECT_STREQ(Fmod::errorText(1), "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.");
    EXPECT_STREQ(Fmod::errorText(9), "File not found");
    EXPECT_STREQ(Fmod::errorText(10), "Unknown file format");
    EXPECT_STREQ(Fmod::errorText(12), "Not enough memory ");
    EXPECT_STREQ(Fmod::errorText(18), "Required Mediaplayer codec is not installed");
    EXPECT_STREQ(Fmod::errorText(19), "Unknown error");
    EXPECT_STREQ(Fmod::errorText(-1), "Unknown error");
}

TEST_F(MusicTest, OldLayerVersionShowsOneBoxAndLeavesTheLayerStopped)
{
    fsound::setReportedVersion(3.70f);
    Fmod fmod;
    ASSERT_EQ(boxes, std::vector<std::string>{"Error : Wrong DLL version! Use 3.71\n"});
    EXPECT_EQ(exitStatus, -1);
    EXPECT_TRUE(FSOUND_Init(44100, 128, 2)) << "the music must not have started the layer";
    FSOUND_Close();

    // The open and play that follow are still made; the failed open shows its own text.
    const std::string path = testing::TempDir() + "talvoren_music_old_version.mp3";
    ASSERT_TRUE(mp3files::writeSineMp3(path, 0.2));
    fmod.open(path.c_str());
    EXPECT_EQ(fmod.stream, nullptr);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1], std::string(Fmod::errorText(FSOUND_GetError())) + "\n");
    fmod.play();
    EXPECT_TRUE(fmod.isPlaying());
}

TEST_F(MusicTest, CurrentLayerVersionStartsTheLayerWithoutABox)
{
    Fmod fmod;
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(fmod.mixRate, 44100);
    EXPECT_EQ(fmod.maxChannels, 128);
    EXPECT_EQ(fmod.stream, nullptr);
    EXPECT_FALSE(fmod.isPlaying());
    EXPECT_FALSE(FSOUND_Init(44100, 128, 2)) << "the layer should already be started";
}

TEST_F(MusicTest, LayerThatCannotStartShowsItsErrorAndExitsWithOne)
{
    logger = nullptr; // before the log exists the box goes straight to the platform
    ASSERT_TRUE(FSOUND_Init(44100, 128, 2));
    Fmod fmod;
    ASSERT_EQ(boxes, std::vector<std::string>{std::string(Fmod::errorText(FMOD_ERR_BUSY)) + "\n"});
    EXPECT_EQ(exitStatus, 1);
}

TEST_F(MusicTest, MissingFileShowsFileNotFoundAndStillPlays)
{
    Fmod fmod;
    fmod.open((testing::TempDir() + "talvoren_music_no_such_file.mp3").c_str());
    EXPECT_EQ(boxes, std::vector<std::string>{"File not found\n"});
    EXPECT_EQ(fmod.stream, nullptr);
    fmod.play();
    EXPECT_TRUE(fmod.isPlaying());
    testclock::advanceMs(300);
    EXPECT_EQ(fmod.position(), 300);
}

TEST_F(MusicTest, DemoTimeFollowsThePlayPosition)
{
    World clockWorld;
    Fmod fmod;
    clockWorld.setMusicClock(&fmod);
    testclock::advanceMs(400); // before play, the wall clock
    clockWorld.updateClock(50);
    EXPECT_FLOAT_EQ(demoTime, 0.4f);
    fmod.play();
    testclock::advanceMs(1500);
    clockWorld.updateClock(50);
    EXPECT_EQ(demoTime, 1.5f);
}
