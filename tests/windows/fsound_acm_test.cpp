// The Windows sound layer: the ACM decoder on the MP3 fixtures the Linux build wrote (the folder
// named by TALVOREN_FIXTURES; see tests/windows/fixtures_mp3.cpp) - gapless trimming, alignment,
// reading in pieces, damaged and foreign files - and the FSOUND layer's error codes and clocks.
// That the samples equal the Linux build's is checked by tests/windows/sound_layer_check.sh.
#include "platform/fsound.h"
#include "platform/mp3_decode.h"
#include "platform/os.h"
#include "platform/win32/acm_mp3.h"

#include "tests/support/recorded_inputs.h"
#include "tests/unit/virtual_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr unsigned openMode = 0x130;
constexpr size_t lameDelaySamples = 576; // what LAME puts before the input at these settings
constexpr size_t decoderDelaySamples = 529;
constexpr size_t largestDelaySamples = 4095;
constexpr size_t mpeg1FrameSamples = 1152;

using Clock = std::chrono::steady_clock;

std::string fixture(const std::string& name)
{
    const std::string folder = recorded::fixtureFolder();
    EXPECT_FALSE(folder.empty()) << "TALVOREN_FIXTURES names no folder";
    return folder + "/" + name;
}

std::string scratchFile(const std::string& name, const std::vector<unsigned char>& bytes)
{
    const std::string path = testing::TempDir() + "talvoren_acm_" + name;
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        if (!bytes.empty())
            std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    return path;
}

std::vector<unsigned char> randomBytes(size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<unsigned char> bytes(count);
    for (unsigned char& byte : bytes)
        byte = static_cast<unsigned char>(random() & 0xFF);
    return bytes;
}

struct Decoded {
    AcmMp3::OpenResult result = AcmMp3::OpenResult::CodecFailed;
    int rateHz = 0;
    int channels = 0;
    std::vector<int16_t> samples;
    size_t frames() const { return channels ? samples.size() / size_t(channels) : 0; }
};

// Decodes the whole file, asking for chunkFrames at a time.
Decoded decode(const std::string& path, size_t chunkFrames = 4096)
{
    Decoded out;
    AcmMp3 decoder;
    out.result = decoder.open(path);
    if (out.result != AcmMp3::OpenResult::Ok)
        return out;
    out.rateHz = decoder.sampleRateHz();
    out.channels = decoder.channelCount();
    std::vector<int16_t> chunk(chunkFrames * size_t(out.channels));
    while (size_t frames = decoder.read(chunk.data(), chunkFrames))
        out.samples.insert(out.samples.end(), chunk.begin(), chunk.begin() + std::ptrdiff_t(frames * size_t(out.channels)));
    EXPECT_TRUE(decoder.ended());
    EXPECT_EQ(decoder.read(chunk.data(), chunkFrames), 0u) << "a finished stream stays finished";
    return out;
}

// Where |sample| peaks on one channel within `radius` frames of `frame`.
size_t peakNear(const Decoded& decoded, int channel, size_t frame, size_t radius)
{
    size_t best = frame;
    for (size_t i = frame - radius; i <= frame + radius && i < decoded.frames(); ++i)
        if (std::abs(decoded.samples[i * 2 + size_t(channel)]) > std::abs(decoded.samples[best * 2 + size_t(channel)]))
            best = i;
    return best;
}

} // namespace

TEST(AcmMp3, GaplessFilesDecodeToExactlyTheSamplesTheyWereMadeFrom)
{
    struct Case {
        const char* name;
        size_t frames;
        int rateHz, channels;
    };
    for (const Case& file : {Case{"gapless_44100_frames_44100_stereo.mp3", 44100, 44100, 2},
                             {"gapless_48000_frames_48000_stereo.mp3", 48000, 48000, 2},
                             {"gapless_22050_frames_22050_mono.mp3", 22050, 22050, 1}, // MPEG-2
                             {"gapless_11025_frames_11025_mono.mp3", 11025, 11025, 1}, // MPEG-2.5
                             {"gapless_2205_frames_44100_stereo.mp3", 2205, 44100, 2},
                             {"gapless_44100_frames_44100_stereo_vbr.mp3", 44100, 44100, 2}, // a Xing frame
                             {"gapless_44100_frames_44100_stereo_crc.mp3", 44100, 44100, 2}}) {
        const Decoded decoded = decode(fixture(file.name));
        ASSERT_EQ(decoded.result, AcmMp3::OpenResult::Ok) << file.name;
        EXPECT_EQ(decoded.rateHz, file.rateHz) << file.name;
        EXPECT_EQ(decoded.channels, file.channels) << file.name;
        EXPECT_EQ(decoded.frames(), file.frames) << file.name;
    }
}

// Clicks made at known samples come out at those samples, on their own channel, and an ID3v2
// tag in front (and an ID3v1 one behind) changes nothing.
TEST(AcmMp3, ClicksComeOutAtTheirOwnSamplesOnTheirOwnChannels)
{
    const Decoded clicks = decode(fixture("clicks_44100_stereo.mp3"));
    ASSERT_EQ(clicks.frames(), 88200u);
    constexpr size_t radius = 300, rightAfterLeft = 5000;
    for (size_t left = 11025; left < 88200; left += 22050) {
        EXPECT_NEAR(double(peakNear(clicks, 0, left, radius)), double(left), 1.0) << "left click at " << left;
        EXPECT_NEAR(double(peakNear(clicks, 1, left + rightAfterLeft, radius)), double(left + rightAfterLeft), 1.0);
        EXPECT_LT(std::abs(clicks.samples[left * 2 + 1]), 1000) << "the left click leaked into the right channel";
    }
    const Decoded tagged = decode(fixture("clicks_44100_stereo_id3.mp3"));
    EXPECT_EQ(tagged.samples, clicks.samples);
}

// Without an info frame nothing says what to trim, and libmpg123 trims nothing: the encoder's
// and the decoder's delays stay in front of the tone and every frame is whole.
TEST(AcmMp3, FilesWithoutAnInfoFrameAreNotTrimmed)
{
    const Decoded tone = decode(fixture(recorded::mp3Name(1.0, 44100, 2, 440)));
    ASSERT_EQ(tone.result, AcmMp3::OpenResult::Ok);
    EXPECT_EQ(tone.frames() % mpeg1FrameSamples, 0u);
    size_t firstLoud = 0;
    while (firstLoud < tone.frames() && std::abs(tone.samples[firstLoud * 2]) < 1000)
        ++firstLoud;
    constexpr size_t untrimmedStart = lameDelaySamples + decoderDelaySamples;
    EXPECT_GE(firstLoud, untrimmedStart - 4) << "the delays were cut";
    EXPECT_LT(firstLoud, untrimmedStart + 16);
}

TEST(AcmMp3, ReadingInAnyChunkSizeGivesTheSameSamples)
{
    const std::string path = fixture("beats_20s_44100_stereo_192k.mp3");
    long rateHz = 0;
    int channels = 0;
    const std::vector<int16_t> whole = os::decodeMp3File(path, rateHz, channels);
    EXPECT_EQ(rateHz, 44100);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(whole.size(), 20u * 44100 * 2);
    for (size_t chunkFrames : {size_t(1), size_t(1151), size_t(1 << 20)})
        EXPECT_EQ(decode(path, chunkFrames).samples, whole) << "in chunks of " << chunkFrames;
}

// Damaged gapless files (of 44100 frames) decode what they still hold, as libmpg123 would.
TEST(AcmMp3, DamagedFilesDecodeWhatTheyHold)
{
    // The largest delay the field holds: the decoding starts that much later.
    EXPECT_EQ(decode(fixture("damaged_huge_delay.mp3")).frames(), 44100 - (largestDelaySamples - lameDelaySamples));
    // A frame count far past the file's end: nothing is cut from the end, less than two frames more.
    const size_t uncut = decode(fixture("damaged_huge_frame_count.mp3")).frames();
    EXPECT_GT(uncut, 44100u);
    EXPECT_LT(uncut, 44100u + 2 * mpeg1FrameSamples);
    // Cut inside a frame: the whole frames before it.
    const Decoded cut = decode(fixture("damaged_cut_inside_frame.mp3"));
    EXPECT_EQ(cut.result, AcmMp3::OpenResult::Ok);
    EXPECT_GT(cut.frames(), 44100u / 2);
    EXPECT_LT(cut.frames(), 44100u * 2 / 3);
    // Only the first audio frame: what the delays leave of it (the codec lets go of a stream's
    // only frame when it sees another).
    EXPECT_EQ(decode(fixture("damaged_one_audio_frame.mp3")).frames(),
              mpeg1FrameSamples - lameDelaySamples - decoderDelaySamples);
    // Junk between two frames is stepped over.
    EXPECT_EQ(decode(fixture("damaged_junk_between_frames.mp3")).frames(), 44100u);
}

TEST(AcmMp3, FilesThatAreNotMp3AreRefused)
{
    AcmMp3 decoder;
    EXPECT_EQ(decoder.open(testing::TempDir() + "talvoren_acm_missing.mp3"), AcmMp3::OpenResult::FileNotFound);
    EXPECT_EQ(decoder.open(scratchFile("empty.mp3", {})), AcmMp3::OpenResult::NotMp3);
    EXPECT_EQ(decoder.open(scratchFile("noise.mp3", randomBytes(65536, 1234))), AcmMp3::OpenResult::NotMp3);
    const std::string words = "Greetings to everyone at the party! This is not music.\n";
    EXPECT_EQ(decoder.open(scratchFile("notes.txt", std::vector<unsigned char>(words.begin(), words.end()))),
              AcmMp3::OpenResult::NotMp3);
    // One good header in noise is not a stream: a frame must be followed by another.
    std::vector<unsigned char> loneHeader = randomBytes(4096, 77);
    loneHeader[0] = 0xFF, loneHeader[1] = 0xFB, loneHeader[2] = 0x90, loneHeader[3] = 0x64;
    EXPECT_EQ(decoder.open(scratchFile("lone_header.mp3", loneHeader)), AcmMp3::OpenResult::NotMp3);
    // An ID3v2 tag claiming 256 MB in a small file.
    const std::vector<unsigned char> hugeTag = {'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F, 0xFF, 0xFB, 0x90, 0x64};
    EXPECT_EQ(decoder.open(scratchFile("huge_tag.mp3", hugeTag)), AcmMp3::OpenResult::NotMp3);
    int16_t sample = 0;
    EXPECT_EQ(decoder.read(&sample, 1), 0u) << "a refused file leaves nothing to read";
}

namespace {

class FsoundAcm : public testing::Test {
protected:
    void SetUp() override
    {
        FSOUND_Close();
        os::selectBackend(os::Backend::Windowed);
    }
    void TearDown() override
    {
        FSOUND_Close();
        os::selectBackend(os::Backend::Windowed);
    }

    static FSOUND_STREAM* openFixture(const std::string& name)
    {
        return FSOUND_Stream_Open(fixture(name).c_str(), openMode, 0, 0);
    }

    static double msSince(Clock::time_point start)
    {
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
};

} // namespace

TEST_F(FsoundAcm, OpenReportsTheSameErrorsAsTheLinuxLayer)
{
    EXPECT_EQ(openFixture("gapless_44100_frames_44100_stereo.mp3"), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
    ASSERT_TRUE(FSOUND_Init(44100, 128, 2));
    EXPECT_FALSE(FSOUND_Init(44100, 128, 2));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_BUSY);

    EXPECT_EQ(FSOUND_Stream_Open(nullptr, openMode, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FSOUND_Stream_Open((testing::TempDir() + "talvoren_acm_missing.mp3").c_str(), openMode, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_NOTFOUND);
    for (const std::string& foreign : {scratchFile("empty.mp3", {}), scratchFile("noise.mp3", randomBytes(65536, 5))}) {
        EXPECT_EQ(FSOUND_Stream_Open(foreign.c_str(), openMode, 0, 0), nullptr);
        EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_FORMAT) << foreign;
    }
    // A refusal does not stick.
    EXPECT_NE(openFixture("gapless_44100_frames_44100_stereo.mp3"), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_NONE);
}

TEST_F(FsoundAcm, WithoutADeviceThePositionIsTheClockFromPlayOnPastTheEnd)
{
    ASSERT_TRUE(FSOUND_Init(44100, 128, 2));
    if (fsound::hasDevice())
        GTEST_SKIP() << "a sound device is open; this run has one";
    FSOUND_STREAM* stream = openFixture(recorded::mp3Name(0.3, 44100, 2, 440));
    ASSERT_NE(stream, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0);
    const Clock::time_point playedAt = Clock::now();
    EXPECT_EQ(FSOUND_Stream_Play(0, stream), 0);
    int previousMs = 0;
    for (int i = 0; i < 7; ++i) { // to 0.7 s, past the 0.3 s file
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const int positionMs = FSOUND_Stream_GetTime(stream);
        EXPECT_NEAR(positionMs, msSince(playedAt), 50);
        EXPECT_GE(positionMs, previousMs);
        previousMs = positionMs;
    }
    // A null stream restarts the silent clock.
    EXPECT_EQ(FSOUND_Stream_Play(0, nullptr), -1);
    EXPECT_LT(FSOUND_Stream_GetTime(nullptr), 50);
}

// Headless runs never open a device, even where there is one, and follow the virtual clock.
TEST_F(FsoundAcm, HeadlessThePositionIsTheVirtualClockExactly)
{
    os::selectBackend(os::Backend::Headless);
    ASSERT_TRUE(FSOUND_Init(44100, 128, 2));
    EXPECT_FALSE(fsound::hasDevice());
    FSOUND_STREAM* stream = openFixture(recorded::mp3Name(0.5, 44100, 2, 440));
    ASSERT_NE(stream, nullptr);
    testclock::advanceMs(200);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0);
    FSOUND_Stream_Play(0, stream);
    testclock::advanceMs(1000);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 1000) << "the clock runs on past the half-second file";
    testclock::advanceMs(1);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 1001);
}

TEST_F(FsoundAcm, CloseStopsEverythingAndLeavesTheLayerAsBeforeInit)
{
    ASSERT_TRUE(FSOUND_Init(44100, 128, 2));
    FSOUND_STREAM* stream = openFixture("beats_20s_44100_stereo_192k.mp3");
    ASSERT_NE(stream, nullptr);
    FSOUND_Stream_Play(0, stream);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    FSOUND_Close();
    EXPECT_EQ(FSOUND_Stream_GetTime(nullptr), 0);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_NONE);
    EXPECT_FALSE(fsound::hasDevice());
    EXPECT_EQ(openFixture("beats_20s_44100_stereo_192k.mp3"), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
    ASSERT_TRUE(FSOUND_Init(44100, 128, 2));
    EXPECT_NE(openFixture("beats_20s_44100_stereo_192k.mp3"), nullptr);
}

// With a device the position is the audio played: after the output's start-up it runs with the
// wall clock, also past the stream's end.
TEST_F(FsoundAcm, WithADeviceThePositionRunsWithTheWallClock)
{
    ASSERT_TRUE(FSOUND_Init(44100, 128, 2));
    if (!fsound::hasDevice())
        GTEST_SKIP() << "no sound device";
    FSOUND_STREAM* stream = openFixture("gapless_44100_frames_44100_stereo.mp3");
    ASSERT_NE(stream, nullptr);
    const Clock::time_point playedAt = Clock::now();
    FSOUND_Stream_Play(0, stream);
    // Outputs settle within 2.5 s (Wine's PulseAudio driver is the slowest seen).
    std::this_thread::sleep_until(playedAt + std::chrono::milliseconds(2500));
    const int fromMs = FSOUND_Stream_GetTime(stream);
    const double fromWallMs = msSince(playedAt);
    std::this_thread::sleep_until(playedAt + std::chrono::milliseconds(4000));
    const double rate = (FSOUND_Stream_GetTime(stream) - fromMs) / (msSince(playedAt) - fromWallMs);
    EXPECT_NEAR(rate, 1.0, 0.05);
    EXPECT_GT(fromMs, 1000) << "the output started late or stalled";
}
