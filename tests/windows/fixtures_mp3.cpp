// The MP3 fixtures: the tones the Linux sound tests encode in code (mp3_files.h: constant bit
// rate, no info frame; named as tests/support/recorded_inputs.h names them), a beat track encoded
// like the demo's music (192 kbit/s joint stereo with a LAME info frame), and cases for the
// Windows decoder's own work: gapless files at each MPEG version's rates, a variable-bit-rate file
// (a "Xing" rather than an "Info" frame), one with checksums, a short tone of known length, clicks
// at known sample positions, the clicks behind an ID3v2 tag and before an ID3v1 tag, and damaged
// copies (a bogus delay, a bogus frame count, a file cut inside a frame or after its first audio
// frame, junk between frames).
//
// Every "gapless_" file decodes, on both builds, to exactly the samples it was made from; the
// name says how many. The click positions are the ones tests/windows/fsound_acm_test.cpp expects.
#include "tests/windows/fixtures.h"

#include "tests/support/recorded_inputs.h"
#include "tests/unit/mp3_files.h"

#include <lame/lame.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

constexpr double toneHz = 440; // the tests' tone

struct Encoding {
    int sampleRateHz = 44100;
    int channels = 2;
    int bitrateKbps = 128;
    bool variableBitrate = false;
    bool checksums = false;
    bool infoFrame = true;
};

// Encodes interleaved samples; with an info frame, LAME's placeholder at the start is filled in
// once the stream is complete (its delay and padding are only known then).
bool encode(const std::vector<short>& samples, const Encoding& encoding, Bytes& out)
{
    std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> encoder(lame_init(), lame_close);
    if (!encoder)
        return false;
    lame_set_in_samplerate(encoder.get(), encoding.sampleRateHz);
    lame_set_out_samplerate(encoder.get(), encoding.sampleRateHz);
    lame_set_num_channels(encoder.get(), encoding.channels);
    lame_set_mode(encoder.get(), encoding.channels == 1 ? MONO : JOINT_STEREO);
    if (encoding.variableBitrate) {
        lame_set_VBR(encoder.get(), vbr_default);
        lame_set_VBR_quality(encoder.get(), 4);
    } else {
        lame_set_VBR(encoder.get(), vbr_off);
        lame_set_brate(encoder.get(), encoding.bitrateKbps);
    }
    lame_set_error_protection(encoder.get(), encoding.checksums ? 1 : 0);
    lame_set_quality(encoder.get(), 5);
    lame_set_bWriteVbrTag(encoder.get(), encoding.infoFrame ? 1 : 0);
    if (lame_init_params(encoder.get()) < 0)
        return false;

    const int frames = int(samples.size()) / encoding.channels;
    Bytes chunk(size_t(frames) * 5 / 4 + 7200);
    int written = encoding.channels == 2
        ? lame_encode_buffer_interleaved(encoder.get(), const_cast<short*>(samples.data()), frames, chunk.data(), int(chunk.size()))
        : lame_encode_buffer(encoder.get(), samples.data(), samples.data(), frames, chunk.data(), int(chunk.size()));
    if (written < 0)
        return false;
    out.assign(chunk.begin(), chunk.begin() + written);
    written = lame_encode_flush(encoder.get(), chunk.data(), int(chunk.size()));
    if (written < 0)
        return false;
    out.insert(out.end(), chunk.begin(), chunk.begin() + written);
    if (encoding.infoFrame) {
        Bytes tag(8192);
        const size_t tagBytes = lame_get_lametag_frame(encoder.get(), tag.data(), tag.size());
        if (tagBytes == 0 || tagBytes > tag.size() || tagBytes > out.size())
            return false;
        std::copy(tag.begin(), tag.begin() + std::ptrdiff_t(tagBytes), out.begin());
    }
    return true;
}

bool writeFile(const std::string& path, const Bytes& bytes)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) {
        std::fprintf(stderr, "windows_fixtures: cannot write %s\n", path.c_str());
        return false;
    }
    return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

bool encodeTo(const std::string& path, const std::vector<short>& samples, const Encoding& encoding)
{
    Bytes bytes;
    if (!encode(samples, encoding, bytes)) {
        std::fprintf(stderr, "windows_fixtures: LAME could not encode %s\n", path.c_str());
        return false;
    }
    return writeFile(path, bytes);
}

// `frames` of the tone at 0.3 of full scale on every channel.
std::vector<short> sine(int frames, int sampleRateHz, int channels)
{
    std::vector<short> samples(size_t(frames) * size_t(channels));
    for (int i = 0; i < frames; ++i) {
        const double value = 0.3 * 32767 * std::sin(2 * std::numbers::pi * toneHz * i / sampleRateHz);
        for (int c = 0; c < channels; ++c)
            samples[size_t(i) * size_t(channels) + size_t(c)] = short(std::lround(value));
    }
    return samples;
}

// Two seconds of stereo silence with single-sample clicks: left at 11025 + 22050 k, right 5000
// samples after each left one, so a shift or a channel swap shows.
std::vector<short> clicks()
{
    constexpr int frames = 88200;
    constexpr short clickLevel = 24000;
    std::vector<short> samples(size_t(frames) * 2, 0);
    for (int left = 11025; left < frames; left += 22050) {
        samples[size_t(left) * 2] = clickLevel;
        samples[size_t(left + 5000) * 2 + 1] = clickLevel;
    }
    return samples;
}

// A kick drum at 125 beats a minute over a quiet pad, like the demo's music, for `seconds`.
std::vector<short> beats(double seconds)
{
    constexpr int rate = 44100;
    constexpr double beatSeconds = 60.0 / 125.0;
    const int frames = int(seconds * rate);
    std::vector<short> samples(size_t(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const double sinceBeat = std::fmod(t, beatSeconds);
        const double kick = std::exp(-sinceBeat * 30) * std::sin(2 * std::numbers::pi * (50 + 100 * std::exp(-sinceBeat * 40)) * sinceBeat);
        const double pad = 0.05 * std::sin(2 * std::numbers::pi * 220 * t) + 0.03 * std::sin(2 * std::numbers::pi * 331 * t);
        samples[size_t(i) * 2] = short(std::lround(20000 * (0.8 * kick + pad)));
        samples[size_t(i) * 2 + 1] = short(std::lround(20000 * (0.8 * kick - pad)));
    }
    return samples;
}

// Where an info frame keeps its frame count and the LAME extension its delay and padding (21
// bytes into the extension, after whichever Xing fields the flags announce). 0 when absent.
struct InfoFields {
    size_t frameCountAt = 0;
    size_t delayAt = 0;
};

InfoFields findInfoFields(const Bytes& file)
{
    InfoFields fields;
    constexpr size_t searchBytes = 64;
    for (size_t i = 0; i < searchBytes && i + 8 <= file.size(); ++i) {
        if (std::memcmp(file.data() + i, "Info", 4) != 0 && std::memcmp(file.data() + i, "Xing", 4) != 0)
            continue;
        const unsigned flags = file[i + 7];
        size_t at = i + 8;
        if (flags & 1) {
            fields.frameCountAt = at;
            at += 4;
        }
        at += (flags & 2 ? 4 : 0) + (flags & 4 ? 100 : 0) + (flags & 8 ? 4 : 0);
        fields.delayAt = at + 21;
        break;
    }
    return fields;
}

// Writes damaged copies of a gapless file.
bool writeDamaged(const std::string& folder, const Bytes& good)
{
    const InfoFields fields = findInfoFields(good);
    const size_t delayAt = fields.delayAt, framesAt = fields.frameCountAt;
    if (delayAt == 0 || framesAt == 0 || delayAt + 3 > good.size()) {
        std::fprintf(stderr, "windows_fixtures: no LAME fields to damage\n");
        return false;
    }
    Bytes hugeDelay = good; // 4095, the field's largest: more than the tone's frames hold
    hugeDelay[delayAt] = 0xFF;
    hugeDelay[delayAt + 1] = uint8_t(0xF0 | (hugeDelay[delayAt + 1] & 0x0F));
    Bytes hugeFrameCount = good;
    for (size_t i = 0; i < 4; ++i)
        hugeFrameCount[framesAt + i] = 0xFF;
    Bytes cut(good.begin(), good.begin() + std::ptrdiff_t(good.size() * 3 / 5 + 100));
    Bytes junk = good; // 300 bytes of noise dropped in halfway, where a frame starts
    size_t frameStart = good.size() / 2;
    while (frameStart + 1 < good.size() && !(good[frameStart] == 0xFF && (good[frameStart + 1] & 0xE0) == 0xE0))
        ++frameStart;
    std::mt19937 random(99);
    Bytes noise(300);
    for (unsigned char& byte : noise)
        byte = uint8_t(random() & 0x7F); // no 0xFF: no accidental frame sync
    junk.insert(junk.begin() + std::ptrdiff_t(frameStart), noise.begin(), noise.end());
    // The info frame and the first audio frame only (MPEG-1 frames of 144 * bitrate / rate bytes,
    // plus the padding byte).
    auto frameBytes = [&](size_t at) {
        constexpr int bitratesKbps[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
        return at + 3 < good.size() ? size_t(144 * bitratesKbps[good[at + 2] >> 4] * 1000 / 44100 + ((good[at + 2] >> 1) & 1)) : 0;
    };
    const size_t infoBytes = frameBytes(0);
    Bytes oneFrame(good.begin(), good.begin() + std::ptrdiff_t(std::min(good.size(), infoBytes + frameBytes(infoBytes))));
    return writeFile(folder + "/damaged_huge_delay.mp3", hugeDelay) &&
           writeFile(folder + "/damaged_one_audio_frame.mp3", oneFrame) &&
           writeFile(folder + "/damaged_huge_frame_count.mp3", hugeFrameCount) &&
           writeFile(folder + "/damaged_cut_inside_frame.mp3", cut) &&
           writeFile(folder + "/damaged_junk_between_frames.mp3", junk);
}

// The clicks again with a 1 KiB ID3v2 tag in front and an ID3v1 tag after.
bool writeTagged(const std::string& path, const Bytes& audio)
{
    constexpr size_t tagBodyBytes = 1024;
    Bytes bytes = {'I', 'D', '3', 3, 0, 0, 0, 0, uint8_t(tagBodyBytes >> 7), uint8_t(tagBodyBytes & 0x7F)};
    const std::string title = "TIT2";
    Bytes body(tagBodyBytes, 0);
    std::copy(title.begin(), title.end(), body.begin());
    body[7] = 7; // the frame's size: an encoding byte (0, Latin-1) and "Clicks"
    std::memcpy(body.data() + 11, "Clicks", 6);
    bytes.insert(bytes.end(), body.begin(), body.end());
    bytes.insert(bytes.end(), audio.begin(), audio.end());
    Bytes trailer(128, 0);
    std::memcpy(trailer.data(), "TAGClicks", 9);
    bytes.insert(bytes.end(), trailer.begin(), trailer.end());
    return writeFile(path, bytes);
}

} // namespace

bool writeMp3Fixtures(const std::string& folder)
{
    // The Linux sound tests' tones, under the names their recorded copies have.
    for (const auto& [seconds, rate, channels] : {std::tuple{0.2, 44100, 2}, {0.3, 44100, 2}, {0.5, 44100, 2},
                                                  {1.0, 44100, 2}, {1.0, 22050, 1}}) {
        const std::string path = folder + "/" + recorded::mp3Name(seconds, rate, channels, toneHz);
        if (!mp3files::writeSineMp3(path, seconds, rate, channels, toneHz)) {
            std::fprintf(stderr, "windows_fixtures: LAME could not encode %s\n", path.c_str());
            return false;
        }
    }

    Encoding music;
    music.bitrateKbps = 192;
    if (!encodeTo(folder + "/beats_20s_44100_stereo_192k.mp3", beats(20.0), music))
        return false;

    struct Gapless {
        const char* name;
        int frames, rate, channels;
        std::function<void(Encoding&)> adjust;
    };
    const Gapless gapless[] = {
        {"gapless_44100_frames_44100_stereo.mp3", 44100, 44100, 2, nullptr},
        {"gapless_48000_frames_48000_stereo.mp3", 48000, 48000, 2, nullptr},
        {"gapless_22050_frames_22050_mono.mp3", 22050, 22050, 1, [](Encoding& e) { e.bitrateKbps = 64; }},
        {"gapless_11025_frames_11025_mono.mp3", 11025, 11025, 1, [](Encoding& e) { e.bitrateKbps = 32; }},
        {"gapless_2205_frames_44100_stereo.mp3", 2205, 44100, 2, nullptr},
        {"gapless_44100_frames_44100_stereo_vbr.mp3", 44100, 44100, 2, [](Encoding& e) { e.variableBitrate = true; }},
        {"gapless_44100_frames_44100_stereo_crc.mp3", 44100, 44100, 2, [](Encoding& e) { e.checksums = true; }},
    };
    Bytes reference;
    for (const Gapless& file : gapless) {
        Encoding encoding;
        encoding.sampleRateHz = file.rate;
        encoding.channels = file.channels;
        if (file.adjust)
            file.adjust(encoding);
        Bytes bytes;
        if (!encode(sine(file.frames, file.rate, file.channels), encoding, bytes) ||
            !writeFile(folder + "/" + file.name, bytes)) {
            std::fprintf(stderr, "windows_fixtures: cannot make %s\n", file.name);
            return false;
        }
        if (reference.empty())
            reference = bytes;
    }

    Bytes clickBytes;
    if (!encode(clicks(), Encoding{}, clickBytes) || !writeFile(folder + "/clicks_44100_stereo.mp3", clickBytes) ||
        !writeTagged(folder + "/clicks_44100_stereo_id3.mp3", clickBytes))
        return false;
    return writeDamaged(folder, reference);
}
