// Sound layer: opening files, the play clock on a device (SDL's dummy and disk drivers), on no
// stream, and on the headless virtual clock.
#include "platform/fsound.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/unit/virtual_clock.h"

#include <gtest/gtest.h>

#include "mp3_files.h"
#include "platform/os.h"
#include "platform/sdl/mp3_stream_decoder.h"

namespace {

constexpr unsigned openMode = 0x130;
constexpr int wallToleranceMs = 80; // scheduling noise plus one audio callback's worth

using Clock = std::chrono::steady_clock;

std::string scratchPath(const std::string& name)
{
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    return testing::TempDir() + "talvoren_" + test->test_suite_name() + "_" + test->name() + "_" + name;
}

void writeBytes(const std::string& path, const std::vector<char>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::vector<char> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Every test starts and ends with the layer closed, on the SDL backend; the audio driver is
// chosen per test because SDL reads it when the layer starts.
class FsoundTest : public testing::Test {
protected:
    void SetUp() override
    {
        FSOUND_Close();
        os::selectBackend(os::Backend::Windowed); // other suites may have left the headless one
    }
    void TearDown() override { FSOUND_Close(); }

    static void start(const char* driver = "dummy")
    {
        setenv("SDL_AUDIODRIVER", driver, 1);
        ASSERT_TRUE(FSOUND_Init(44100, 128, 2));
    }

    FSOUND_STREAM* openTone(double seconds, int sampleRate = 44100, int channels = 2)
    {
        const std::string path = scratchPath("tone.mp3");
        if (!mp3files::writeSineMp3(path, seconds, sampleRate, channels)) {
            ADD_FAILURE() << "could not write " << path;
            return nullptr;
        }
        return FSOUND_Stream_Open(path.c_str(), openMode, 0, 0);
    }

    // Samples the position every 100 ms for `durationMs` of real time after play.
    static void expectPositionFollowsWallClock(FSOUND_STREAM* stream, Clock::time_point playedAt, int durationMs)
    {
        int previousMs = 0;
        for (int waitedMs = 0; waitedMs < durationMs; waitedMs += 100) {
            sleepMs(100);
            const int positionMs = FSOUND_Stream_GetTime(stream);
            const double wallMs = msSince(playedAt);
            EXPECT_NEAR(positionMs, wallMs, wallToleranceMs);
            EXPECT_GE(positionMs, previousMs) << "the position went backwards";
            previousMs = positionMs;
        }
    }
};

class FsoundHeadlessTest : public FsoundTest {
protected:
    void SetUp() override
    {
        FsoundTest::SetUp();
        os::selectBackend(os::Backend::Headless);
    }
    void TearDown() override
    {
        FsoundTest::TearDown();
        os::selectBackend(os::Backend::Windowed);
    }
};

} // namespace

TEST_F(FsoundTest, InitTwiceIsBusyAndOpenBeforeInitIsUninitialised)
{
    EXPECT_EQ(FSOUND_Stream_Open(scratchPath("none.mp3").c_str(), openMode, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
    start();
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_NONE);
    EXPECT_FALSE(FSOUND_Init(44100, 128, 2));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_BUSY);
    FSOUND_Close();
    EXPECT_TRUE(FSOUND_Init(44100, 128, 2)) << "close leaves the layer as before init";
}

TEST_F(FsoundTest, FilesThatAreNotMp3AreRefusedWithTheirCode)
{
    start();
    EXPECT_EQ(FSOUND_Stream_Open(scratchPath("missing.mp3").c_str(), openMode, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_NOTFOUND);

    const std::string text = scratchPath("notes.txt");
    const std::string words = "Greetings to everyone at the party!\nThis is not music.\n";
    std::vector<char> textBytes;
    for (int i = 0; i < 100; ++i)
        textBytes.insert(textBytes.end(), words.begin(), words.end());
    writeBytes(text, textBytes);
    EXPECT_EQ(FSOUND_Stream_Open(text.c_str(), openMode, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_FORMAT);

    const std::string noise = scratchPath("noise.mp3");
    std::mt19937 random(1234);
    std::vector<char> noiseBytes(65536);
    for (char& byte : noiseBytes)
        byte = char(random() & 0xFF);
    writeBytes(noise, noiseBytes);
    EXPECT_EQ(FSOUND_Stream_Open(noise.c_str(), openMode, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_FORMAT);

    // A refusal does not stick: the next good file opens with no error.
    EXPECT_NE(openTone(0.2), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_NONE);
}

TEST_F(FsoundTest, PositionIsZeroUntilPlayThenFollowsTheWallClock)
{
    start();
    EXPECT_TRUE(fsound::hasDevice());
    FSOUND_STREAM* stream = openTone(1.0);
    ASSERT_NE(stream, nullptr);
    sleepMs(100);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0);
    EXPECT_TRUE(FSOUND_Stream_SetMode(stream, 2));
    EXPECT_EQ(FSOUND_Stream_Play(0, stream), 0);
    expectPositionFollowsWallClock(stream, Clock::now(), 600);
}

TEST_F(FsoundTest, PositionKeepsAdvancingPastTheStreamsEnd)
{
    start();
    FSOUND_STREAM* stream = openTone(0.3);
    ASSERT_NE(stream, nullptr);
    FSOUND_Stream_Play(0, stream);
    const Clock::time_point playedAt = Clock::now();
    sleepMs(700);
    const int positionMs = FSOUND_Stream_GetTime(stream);
    EXPECT_GT(positionMs, 600);
    EXPECT_NEAR(positionMs, msSince(playedAt), wallToleranceMs);
}

TEST_F(FsoundTest, NullStreamPlayStartsASilentClock)
{
    start();
    EXPECT_EQ(FSOUND_Stream_GetTime(nullptr), 0);
    EXPECT_EQ(FSOUND_Stream_Play(0, nullptr), -1);
    expectPositionFollowsWallClock(nullptr, Clock::now(), 300);
}

// The disk driver writes what the device was given to a file, so the resampled tone can be
// checked: a 22050 Hz mono file must come out as the same 440 Hz tone on both channels at
// 44.1 kHz, while the clock keeps real time.
TEST_F(FsoundTest, HalfRateMonoFileIsResampledAndPlaysInRealTime)
{
    const std::string output = scratchPath("device.raw");
    std::remove(output.c_str());
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    testing::internal::CaptureStderr(); // SDL announces the disk driver loudly
    start("disk");
    testing::internal::GetCapturedStderr();
    unsetenv("SDL_DISKAUDIOFILE");
    ASSERT_TRUE(fsound::hasDevice()) << "SDL's disk audio driver is not available";
    FSOUND_STREAM* stream = openTone(1.0, 22050, 1);
    ASSERT_NE(stream, nullptr);
    FSOUND_Stream_Play(0, stream);
    expectPositionFollowsWallClock(stream, Clock::now(), 600);
    FSOUND_Close(); // closes the device's file

    const std::vector<char> bytes = readBytes(output);
    std::vector<int16_t> samples(bytes.size() / sizeof(int16_t));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(int16_t));
    const size_t frames = samples.size() / 2;
    ASSERT_GT(frames, 44100u / 4) << "the device was given less than a quarter second";

    // Skip the lead-in (decoder delay), then measure a quarter second of the tone.
    size_t first = 0;
    while (first < frames && std::abs(samples[2 * first]) < 1000)
        ++first;
    first += 2205;
    const size_t count = 44100 / 4;
    ASSERT_LE(first + count, frames);
    int crossings = 0, peak = 0, channelDifference = 0;
    for (size_t i = first; i < first + count; ++i) {
        const int left = samples[2 * i], right = samples[2 * i + 1];
        peak = std::max(peak, std::abs(left));
        channelDifference = std::max(channelDifference, std::abs(left - right));
        if (i > first && (samples[2 * (i - 1)] < 0) != (left < 0))
            ++crossings;
    }
    const double hz = crossings / 2.0 / 0.25;
    EXPECT_NEAR(hz, 440.0, 10.0);
    EXPECT_NEAR(peak, 0.3 * 32767, 0.05 * 32767) << "full volume keeps the file's level";
    EXPECT_LE(channelDifference, 1) << "a mono file plays the same on both channels";
}

// The decoder the stream's thread pulls from, on its own: the whole file comes out at the output
// rate in whole stereo frames, however the reads are sized, and then only zeros; a cut file
// ends early but cleanly.
TEST_F(FsoundTest, StreamDecoderHandsOutTheWholeFileInStereoFramesAtTheOutputRate)
{
    const std::string path = scratchPath("tone.mp3");
    ASSERT_TRUE(mp3files::writeSineMp3(path, 1.0, 22050, 1));
    auto decodeAll = [](const std::string& file, size_t capacity) {
        Mp3StreamDecoder decoder;
        EXPECT_EQ(decoder.open(file, 44100), Mp3StreamDecoder::OpenResult::ok);
        std::vector<int16_t> block(capacity);
        size_t frames = 0;
        for (size_t count; (count = decoder.read(block.data(), block.size())) != 0;) {
            EXPECT_LE(count, capacity / 2 * 2);
            EXPECT_EQ(count % 2, 0u);
            frames += count / 2;
        }
        EXPECT_EQ(decoder.read(block.data(), block.size()), 0u) << "the end stays the end";
        return frames;
    };
    const size_t frames = decodeAll(path, 16384);
    EXPECT_GE(frames, 44100u) << "a second at the output rate, at least";
    EXPECT_LE(frames, 44100u + 3 * 1152u) << "plus no more than the coder's delay and padding";
    EXPECT_EQ(decodeAll(path, 999), frames) << "odd, small reads lose nothing";

    std::vector<char> bytes = readBytes(path);
    bytes.resize(bytes.size() / 2);
    const std::string cut = scratchPath("cut.mp3");
    writeBytes(cut, bytes);
    const size_t cutFrames = decodeAll(cut, 4096);
    EXPECT_GT(cutFrames, 44100u / 4);
    EXPECT_LT(cutFrames, frames);
}

TEST_F(FsoundHeadlessTest, PositionIsTheVirtualClockExactly)
{
    start();
    EXPECT_FALSE(fsound::hasDevice());
    FSOUND_STREAM* stream = openTone(0.5);
    ASSERT_NE(stream, nullptr);
    testclock::advanceMs(200);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0);
    FSOUND_Stream_Play(0, stream);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0);
    testclock::advanceMs(1000);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 1000) << "the clock runs on past the half-second file";
    testclock::advanceMs(1);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 1001);
}
