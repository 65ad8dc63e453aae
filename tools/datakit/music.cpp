// The music generator: a small additive/subtractive synth with a soft pad, an off-beat bass, a
// pentatonic lead, hats on the sixteenth grid and a kick under every beat of the timetable. Every
// note is rendered on its own (fresh filter state, notes cut at the end of the render), so a
// short render is exactly the start of the long one; noise comes from a fixed-seed LCG.
#include "tools/datakit/music.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

#include <lame/lame.h>

#include "director/timetable.h"
#include "tools/datakit/datakit.h"

namespace datakit {

namespace {

constexpr double pi = std::numbers::pi;
constexpr int32_t barOriginMs = 920;  // a bar starts here (80 + 7 sixteenths), then every 1920 ms
constexpr int32_t barMs = 1920;
constexpr int32_t sixteenthMs = 120;
constexpr int32_t gridOriginMs = 80;  // the sixteenth grid the beats sit on
constexpr int32_t fadeStartMs = 236000;
constexpr int32_t fadeEndMs = 241000;

struct Lcg {
    uint32_t state;
    uint32_t next()
    {
        state = state * 1664525u + 1013904223u;
        return state;
    }
    float noise() { return float(next() >> 8) * (2.0f / 16777216.0f) - 1.0f; } // [-1, 1)
};

int64_t sampleAt(int64_t ms) { return ms * musicRate / 1000; } // exact: all our times are multiples of 40 ms
double midiHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// Band-limited single-cycle tables, linear interpolation.
class Wavetable {
public:
    static constexpr int size = 4096;
    template <class Harmonic> explicit Wavetable(int harmonics, Harmonic amplitude)
    {
        for (int i = 0; i < size; ++i) {
            double v = 0;
            for (int h = 1; h <= harmonics; ++h)
                v += amplitude(h) * std::sin(2 * pi * h * i / size);
            table[std::size_t(i)] = float(v);
        }
        const float peak = *std::max_element(table.begin(), table.end());
        for (float& v : table)
            v /= peak;
        table[size] = table[0];
    }
    float at(double phase) const // phase in [0, 1)
    {
        const double x = phase * size;
        const int i = int(x);
        const float f = float(x - i);
        return table[std::size_t(i)] + f * (table[std::size_t(i) + 1] - table[std::size_t(i)]);
    }

private:
    std::array<float, size + 1> table{};
};

const Wavetable& sawTable()
{
    static const Wavetable table(24, [](int h) { return 1.0 / h; });
    return table;
}

const Wavetable& squareTable()
{
    static const Wavetable table(23, [](int h) { return h % 2 ? 1.0 / h : 0.0; });
    return table;
}

// What plays in each stretch of the piece: it follows the scenes (quiet intro, the space flight,
// the landscape, the break before the wave sheet, the morphs, the long wave scene, the outro).
struct Section {
    int32_t startMs;
    float pad, bass, hats, lead;
    bool sixteenths; // hats on every sixteenth rather than the off-beats only
};

constexpr Section sections[] = {
    {0, 0.55f, 0, 0, 0, false},           // intro: the soft pad alone
    {21320, 0.6f, 0, 0, 0, false},        // the first kicks under the title
    {23240, 0.6f, 0.8f, 0, 0, false},     // space: bass comes in
    {29720, 0.6f, 0.85f, 0.5f, 0, false}, // off-beat hats
    {37400, 0.5f, 1, 1, 0.6f, true},      // landscape: everything
    {68000, 0.85f, 0, 0, 0.4f, false},    // break
    {79640, 0.7f, 0, 0.6f, 0, true},      // build: hats alone
    {83480, 0.5f, 1, 1, 0, true},
    {98000, 0.5f, 1, 1, 0.6f, true},      // morphs
    {129560, 0.6f, 1, 0.8f, 0, true},     // wave scene
    {139280, 0.5f, 1, 1, 0.6f, true},
    {153560, 0.6f, 0, 1, 0, true},        // the sixteenth roll
    {158600, 0.5f, 1, 1, 0.7f, true},
    {205520, 0.8f, 0, 0, 0.3f, false},    // outro
};

struct Levels {
    float pad, bass, hats, lead;
    bool sixteenths;
};

// The section levels per millisecond, smoothed so that changes do not click.
std::vector<Levels> levelCurve(int64_t totalMs)
{
    std::vector<Levels> curve(std::size_t(totalMs + 1));
    Levels smooth{0, 0, 0, 0, false};
    const float k = 1.0f - std::exp(-1.0f / 40.0f); // 40 ms time constant
    std::size_t section = 0;
    for (int64_t ms = 0; ms <= totalMs; ++ms) {
        while (section + 1 < std::size(sections) && sections[section + 1].startMs <= ms)
            ++section;
        const Section& s = sections[section];
        smooth.pad += k * (s.pad - smooth.pad);
        smooth.bass += k * (s.bass - smooth.bass);
        smooth.hats += k * (s.hats - smooth.hats);
        smooth.lead += k * (s.lead - smooth.lead);
        smooth.sixteenths = s.sixteenths;
        curve[std::size_t(ms)] = smooth;
    }
    return curve;
}

// A minor: i - VI - III - VII, one chord a bar.
struct Chord {
    int root;           // bass note
    std::array<int, 3> notes;
};
constexpr Chord progression[] = {
    {45, {57, 60, 64}}, // Am
    {41, {57, 60, 65}}, // F
    {48, {55, 60, 64}}, // C
    {43, {55, 59, 62}}, // G
};
const Chord& chordOfBar(int64_t bar) { return progression[((bar % 4) + 4) % 4]; }
int64_t barOf(int64_t ms) { return ms >= barOriginMs ? (ms - barOriginMs) / barMs : -1; }

class Renderer {
public:
    explicit Renderer(double seconds)
        : frames(std::max<int64_t>(0, std::llround(seconds * musicRate))),
          totalMs(frames * 1000 / musicRate + 1),
          left(std::size_t(frames), 0.0f),
          right(std::size_t(frames), 0.0f),
          levels(levelCurve(totalMs))
    {
    }

    std::vector<int16_t> render()
    {
        renderPad();
        renderBass();
        renderLead();
        duckUnderKicks();
        renderKicks();
        renderHats();
        return master();
    }

private:
    int64_t frames;
    int64_t totalMs;
    std::vector<float> left, right;
    std::vector<Levels> levels;

    const Levels& levelAt(int64_t sample) const { return levels[std::size_t(sample * 1000 / musicRate)]; }

    void renderPad()
    {
        const Wavetable& saw = sawTable();
        const double attack = 0.35 * musicRate, release = 0.6 * musicRate;
        const float lp = float(1.0 - std::exp(-2 * pi * 1400.0 / musicRate));
        for (int64_t bar = -1;; ++bar) {
            const int64_t startMs = bar < 0 ? 0 : barOriginMs + bar * barMs;
            const int64_t endMs = bar < 0 ? barOriginMs : startMs + barMs;
            const int64_t start = sampleAt(startMs);
            if (start >= frames)
                break;
            const int64_t sustainEnd = sampleAt(endMs);
            const int64_t end = std::min<int64_t>(frames, sustainEnd + int64_t(release));
            const Chord& chord = chordOfBar(bar);
            for (int voice = 0; voice < 3; ++voice) {
                const double hz = midiHz(chord.notes[std::size_t(voice)]);
                const double stepL = hz * std::pow(2.0, 0.07 / 12) / musicRate;
                const double stepR = hz * std::pow(2.0, -0.07 / 12) / musicRate;
                double phaseL = 0.13 * voice, phaseR = 0.57 + 0.21 * voice;
                float yL = 0, yR = 0;
                for (int64_t i = start; i < end; ++i) {
                    const int64_t t = i - start;
                    double env = std::min(1.0, t / attack);
                    if (i >= sustainEnd)
                        env *= std::max(0.0, 1.0 - double(i - sustainEnd) / release);
                    const float gain = float(env) * 0.07f * levelAt(i).pad;
                    yL += lp * (saw.at(phaseL) - yL);
                    yR += lp * (saw.at(phaseR) - yR);
                    left[std::size_t(i)] += gain * yL;
                    right[std::size_t(i)] += gain * yR;
                    phaseL += stepL;
                    phaseL -= std::floor(phaseL);
                    phaseR += stepR;
                    phaseR -= std::floor(phaseR);
                }
            }
        }
    }

    // Off-beat eighths on the bar's root: saw through a closing low-pass, a sine an octave down.
    void renderBass()
    {
        const Wavetable& saw = sawTable();
        const int64_t length = sampleAt(220);
        for (int64_t ms = barOriginMs + 240; sampleAt(ms) < frames; ms += 480) {
            const int64_t start = sampleAt(ms);
            const float level = levelAt(start).bass;
            if (level < 0.01f)
                continue;
            const double hz = midiHz(chordOfBar(barOf(ms)).root);
            double phase = 0, subPhase = 0;
            float y = 0;
            const int64_t end = std::min(frames, start + length);
            for (int64_t i = start; i < end; ++i) {
                const double t = double(i - start) / musicRate;
                const double env = std::min(1.0, t / 0.006) * std::exp(-t / 0.12);
                const double cutoff = 180 + 1400 * std::exp(-t / 0.05);
                const float lp = float(1.0 - std::exp(-2 * pi * cutoff / musicRate));
                y += lp * (saw.at(phase) - y);
                const float s = float(env) * level * (0.22f * y + 0.2f * float(std::sin(2 * pi * subPhase)));
                left[std::size_t(i)] += s;
                right[std::size_t(i)] += s;
                phase += hz / musicRate;
                phase -= std::floor(phase);
                subPhase += 0.5 * hz / musicRate;
                subPhase -= std::floor(subPhase);
            }
        }
    }

    // A four-bar pentatonic phrase on a fixed sixteenth rhythm, with one echo to the other side.
    void renderLead()
    {
        static constexpr int scale[] = {69, 72, 74, 76, 79, 81, 84};
        static constexpr bool rhythm[16] = {1, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0};
        // The phrase's notes, drawn once from a fixed seed.
        std::array<int, 64> phrase{};
        Lcg lcg{0x7a1e5u};
        int degree = 2;
        for (int& note : phrase) {
            degree = std::clamp(degree + int(lcg.next() % 5) - 2, 0, int(std::size(scale)) - 1);
            note = scale[degree];
        }
        for (int64_t k = 0;; ++k) {
            const int64_t ms = gridOriginMs + k * sixteenthMs;
            const int64_t start = sampleAt(ms);
            if (start >= frames)
                break;
            if (ms < barOriginMs)
                continue;
            const int64_t step = (ms - barOriginMs) / sixteenthMs;
            if (!rhythm[step % 16])
                continue;
            const float level = levelAt(start).lead;
            if (level < 0.01f)
                continue;
            const int note = phrase[std::size_t(step % 64)];
            const bool toLeft = (step / 2) % 2 == 0;
            leadNote(start, midiHz(note), level * 0.1f, toLeft);
            leadNote(start + sampleAt(360), midiHz(note), level * 0.035f, !toLeft);
        }
    }

    void leadNote(int64_t start, double hz, float level, bool toLeft)
    {
        const Wavetable& square = squareTable();
        const int64_t end = std::min(frames, start + sampleAt(280));
        const float lp = float(1.0 - std::exp(-2 * pi * 2500.0 / musicRate));
        const float pan = toLeft ? 0.7f : 0.3f;
        double phase = 0;
        float y = 0;
        for (int64_t i = start; i < end; ++i) {
            const double t = double(i - start) / musicRate;
            const double env = std::min(1.0, t / 0.004) * std::exp(-t / 0.09);
            y += lp * (square.at(phase) - y);
            const float s = float(env) * level * y;
            left[std::size_t(i)] += s * pan;
            right[std::size_t(i)] += s * (1 - pan);
            phase += hz / musicRate;
            phase -= std::floor(phase);
        }
    }

    std::vector<int64_t> kickStarts() const
    {
        std::vector<int64_t> starts;
        for (const timetable::TimedEvent& beat : timetable::beatEvents())
            if (sampleAt(beat.timeMs) < frames)
                starts.push_back(sampleAt(beat.timeMs));
        std::sort(starts.begin(), starts.end());
        return starts;
    }

    // The pad, bass and lead dip under each kick, so the kick stays clean.
    void duckUnderKicks()
    {
        const std::vector<int64_t> starts = kickStarts();
        const double tau = 0.09 * musicRate;
        std::size_t next = 0;
        int64_t last = -1;
        for (int64_t i = 0; i < frames; ++i) {
            while (next < starts.size() && starts[next] <= i)
                last = starts[next++];
            if (last < 0)
                continue;
            const float gain = float(1.0 - 0.6 * std::exp(-double(i - last) / tau));
            left[std::size_t(i)] *= gain;
            right[std::size_t(i)] *= gain;
        }
    }

    // A sine whose pitch falls from 160 to 50 Hz; it starts at phase 0 on the beat's sample. One
    // voice, as on a drum machine: the next kick chokes the tail of this one (a 2 ms fade from
    // its start), so quick repeats stay as sharp as single kicks.
    void renderKicks()
    {
        const int64_t length = sampleAt(400), choke = musicRate / 500; // 2 ms
        const std::vector<int64_t> starts = kickStarts();
        for (std::size_t n = 0; n < starts.size(); ++n) {
            const int64_t start = starts[n];
            const int64_t next = n + 1 < starts.size() ? starts[n + 1] : INT64_MAX;
            const int64_t end = std::min({frames, start + length, next == INT64_MAX ? next : next + choke});
            double phase = 0;
            for (int64_t i = start; i < end; ++i) {
                const double t = double(i - start) / musicRate;
                const double hz = 50 + 110 * std::exp(-t / 0.03);
                const double fade = i < next ? 1.0 : 1.0 - double(i - next) / double(choke);
                const float s = float(fade * 0.75 * std::exp(-t / 0.16) * std::sin(2 * pi * phase));
                left[std::size_t(i)] += s;
                right[std::size_t(i)] += s;
                phase += hz / musicRate;
            }
        }
    }

    // Differentiated noise: closed hats on the sixteenths, longer open ones on the off-beats.
    void renderHats()
    {
        Lcg lcg{0x5eedu};
        for (int64_t k = 0;; ++k) {
            const int64_t ms = gridOriginMs + k * sixteenthMs;
            const int64_t start = sampleAt(ms);
            if (start >= frames)
                break;
            const Levels& level = levelAt(start);
            const bool offBeat = ((k % 4) + 4) % 4 == 1; // bars start at k = 7
            if (level.hats < 0.01f || (!offBeat && !level.sixteenths))
                continue;
            const double decay = offBeat ? 0.07 : 0.022;
            const float gain = level.hats * (offBeat ? 0.09f : 0.05f);
            const int64_t end = std::min(frames, start + sampleAt(offBeat ? 280 : 80));
            float previous = 0;
            for (int64_t i = start; i < end; ++i) {
                const double t = double(i - start) / musicRate;
                const float n = lcg.noise();
                const float s = gain * float(std::exp(-t / decay)) * (n - previous);
                previous = n;
                left[std::size_t(i)] += s * 0.8f;
                right[std::size_t(i)] += s;
            }
        }
    }

    // The fade-out, a soft clip and 16 bits.
    std::vector<int16_t> master() const
    {
        std::vector<int16_t> out(std::size_t(frames) * 2);
        const int64_t fadeStart = sampleAt(fadeStartMs), fadeEnd = sampleAt(fadeEndMs);
        for (int64_t i = 0; i < frames; ++i) {
            float gain = 1;
            if (i >= fadeEnd)
                gain = 0;
            else if (i > fadeStart)
                gain = float(0.5 + 0.5 * std::cos(pi * double(i - fadeStart) / double(fadeEnd - fadeStart)));
            const float l = std::tanh(left[std::size_t(i)] * gain);
            const float r = std::tanh(right[std::size_t(i)] * gain);
            out[std::size_t(i) * 2] = int16_t(std::lround(l * 32000.0f));
            out[std::size_t(i) * 2 + 1] = int16_t(std::lround(r * 32000.0f));
        }
        return out;
    }
};

} // namespace

std::vector<int16_t> renderMusic(double seconds) { return Renderer(seconds).render(); }

bool encodeMp3(const std::vector<int16_t>& stereo, const std::string& path)
{
    std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> encoder(lame_init(), lame_close);
    if (!encoder)
        return false;
    lame_set_in_samplerate(encoder.get(), musicRate);
    lame_set_out_samplerate(encoder.get(), musicRate);
    lame_set_num_channels(encoder.get(), 2);
    lame_set_mode(encoder.get(), JOINT_STEREO);
    lame_set_VBR(encoder.get(), vbr_off);
    lame_set_brate(encoder.get(), 192);
    lame_set_quality(encoder.get(), 5);
    // The info frame carries the encoder delay and padding; the decoder trims both with it.
    lame_set_bWriteVbrTag(encoder.get(), 1);
    if (lame_init_params(encoder.get()) < 0)
        return false;

    constexpr int chunkFrames = 8192;
    std::vector<unsigned char> chunk(chunkFrames * 5 / 4 + 7200);
    std::vector<unsigned char> bytes;
    const std::size_t totalFrames = stereo.size() / 2;
    for (std::size_t first = 0; first < totalFrames; first += chunkFrames) {
        const int n = int(std::min<std::size_t>(chunkFrames, totalFrames - first));
        // LAME takes a non-const pointer but does not write through it.
        const int written = lame_encode_buffer_interleaved(encoder.get(), const_cast<short*>(stereo.data() + first * 2),
                                                           n, chunk.data(), int(chunk.size()));
        if (written < 0)
            return false;
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + written);
    }
    const int flushed = lame_encode_flush(encoder.get(), chunk.data(), int(chunk.size()));
    if (flushed < 0)
        return false;
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + flushed);

    // The info frame was written as a placeholder at the start; now that the stream is complete
    // it can be filled in.
    std::vector<unsigned char> tag(8192);
    const std::size_t tagSize = lame_get_lametag_frame(encoder.get(), tag.data(), tag.size());
    if (tagSize == 0 || tagSize > tag.size() || tagSize > bytes.size())
        return false;
    std::copy(tag.begin(), tag.begin() + std::ptrdiff_t(tagSize), bytes.begin());

    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file)
        return false;
    return std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

#ifndef TALVOREN_MUSIC_SYNTH_ONLY
int musicFileCount() { return 1; }

bool writeMusic(const std::string& folder, Progress& progress)
{
    const std::string path = folder + "/demo.mp3";
    if (!encodeMp3(renderMusic(musicSeconds), path)) {
        std::fprintf(stderr, "datakit: cannot write %s\n", path.c_str());
        return false;
    }
    progress.wrote("demo.mp3");
    return true;
}
#endif

} // namespace datakit
