// The generated music: kicks start on the timetable's beat times, in the rendered samples and
// after an MP3 round trip through the decoder the demo plays it with (encoder delay and padding
// must not move them); the intro is quiet; renders are repeatable.
#include "tools/datakit/music.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "director/timetable.h"
#include "platform/mp3_decode.h"

namespace {

constexpr double testSeconds = 40.0;
constexpr int rate = datakit::musicRate;

// The rendered piece's first 40 s, shared by the tests (rendered once).
const std::vector<int16_t>& testPiece()
{
    static const std::vector<int16_t> pcm = datakit::renderMusic(testSeconds);
    return pcm;
}

// The whole piece, as the kit writes it (before encoding).
const std::vector<int16_t>& wholePiece()
{
    static const std::vector<int16_t> pcm = datakit::renderMusic(datakit::musicSeconds);
    return pcm;
}

// The low band's energy per millisecond: mono mix through two one-pole low-passes at 200 Hz.
std::vector<double> lowBandEnergyPerMs(const std::vector<int16_t>& stereo)
{
    const double k = 1.0 - std::exp(-2 * 3.14159265358979 * 200.0 / rate);
    double a = 0, b = 0;
    const std::size_t frames = stereo.size() / 2;
    std::vector<double> energy(frames * 1000 / rate + 1, 0.0);
    for (std::size_t i = 0; i < frames; ++i) {
        const double x = (stereo[i * 2] + stereo[i * 2 + 1]) / 65536.0;
        a += k * (x - a);
        b += k * (a - b);
        energy[i * 1000 / rate] += b * b;
    }
    return energy;
}

// Where the low band's energy rises most sharply within ±40 ms of `ms`: the millisecond that
// maximises (energy over the next 6 ms) - (energy over the previous 6 ms).
int onsetNear(const std::vector<double>& energy, int ms)
{
    int best = -1;
    double bestRise = -1;
    for (int t = ms - 40; t <= ms + 40; ++t) {
        if (t < 6 || t + 6 >= int(energy.size()))
            continue;
        double before = 0, after = 0;
        for (int j = 1; j <= 6; ++j) {
            before += energy[std::size_t(t - j)];
            after += energy[std::size_t(t + j - 1)];
        }
        if (after - before > bestRise) {
            bestRise = after - before;
            best = t;
        }
    }
    return best;
}

// Checks every beat that has 100 ms of the piece after it; returns how many were checked.
int checkOnsets(const std::vector<int16_t>& stereo)
{
    const std::vector<double> energy = lowBandEnergyPerMs(stereo);
    int checked = 0;
    for (const timetable::TimedEvent& beat : timetable::beatEvents()) {
        if (beat.timeMs + 100 > int(energy.size()))
            continue;
        const int onset = onsetNear(energy, beat.timeMs);
        EXPECT_NEAR(onset, beat.timeMs, 10) << "beat " << beat.id;
        ++checked;
    }
    return checked;
}

double rms(const std::vector<int16_t>& stereo, double fromSeconds, double toSeconds)
{
    const auto first = std::size_t(fromSeconds * rate) * 2, last = std::size_t(toSeconds * rate) * 2;
    double sum = 0;
    for (std::size_t i = first; i < last && i < stereo.size(); ++i)
        sum += double(stereo[i]) * stereo[i];
    return std::sqrt(sum / double(last - first)) / 32768.0;
}

// The whole piece, rendered but not encoded: every beat, the sixteenth rolls included.
TEST(MusicOnsets, KicksStartOnEveryBeatTimeInTheRenderedPiece)
{
    const auto& pcm = wholePiece();
    ASSERT_EQ(pcm.size(), std::size_t(datakit::musicSeconds * rate) * 2);
    EXPECT_EQ(checkOnsets(pcm), 269);
    EXPECT_TRUE(std::equal(testPiece().begin(), testPiece().end(), pcm.begin()));
}

TEST(MusicOnsets, TheMusicFadesOutByTheEndOfTheDemo)
{
    const auto& pcm = wholePiece();
    EXPECT_GT(rms(pcm, 230, 235), 0.005);
    EXPECT_EQ(rms(pcm, 241, datakit::musicSeconds), 0.0);
}

TEST(MusicOnsets, KicksStayOnTheBeatTimesAfterAnMp3RoundTrip)
{
    const std::string path = testing::TempDir() + "talvoren_onsets_" + std::to_string(getpid()) + ".mp3";
    ASSERT_TRUE(datakit::encodeMp3(testPiece(), path));
    long decodedRate = 0;
    int channels = 0;
    const std::vector<int16_t> decoded = os::decodeMp3File(path, decodedRate, channels);
    std::remove(path.c_str());
    EXPECT_EQ(decodedRate, rate);
    EXPECT_EQ(channels, 2);
    // Gapless decoding: neither the encoder's delay nor its padding is left in the output.
    EXPECT_EQ(decoded.size(), testPiece().size());
    EXPECT_EQ(checkOnsets(decoded), 21); // every beat before 39.9 s
}

TEST(MusicOnsets, TheIntroIsAQuietPadUntilTheFirstBeat)
{
    const auto& pcm = testPiece();
    const double intro = rms(pcm, 2, 21.3);
    const double drums = rms(pcm, 21.32, 24);
    const double busy = rms(pcm, 38, 40);
    EXPECT_GT(intro, 0.005);  // not silence
    EXPECT_LT(intro, 0.15);   // but soft
    EXPECT_GT(drums, intro * 1.5);
    EXPECT_GT(busy, intro * 1.5);
    EXPECT_EQ(pcm[0], 0); // the pad fades in from nothing
}

TEST(MusicOnsets, ShortRenderIsTheStartOfTheLongOneAndRepeats)
{
    const std::vector<int16_t> shortPiece = datakit::renderMusic(22.0);
    const auto& pcm = testPiece();
    ASSERT_EQ(shortPiece.size(), std::size_t(22.0 * rate) * 2);
    EXPECT_TRUE(std::equal(shortPiece.begin(), shortPiece.end(), pcm.begin()));
    EXPECT_EQ(datakit::renderMusic(22.0), shortPiece);
}

} // namespace
