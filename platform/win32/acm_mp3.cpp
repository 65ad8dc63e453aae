// The ACM MP3 decoder: frame parsing, the info frame's gapless fields, and the codec's stream.
//
// Gapless trimming follows libmpg123 exactly, so both builds hear the same samples. With an info
// frame that gives the number of audio frames G (the info frame itself not counted), the delay D
// and the padding P, the kept output runs from sample B = D + 529 to E = G * samplesPerFrame - P
// + 529 of the untrimmed stream. Frames past the G declared are kept whole (something appended
// to the stream), frames before B's are dropped whole, and without a frame count nothing is
// trimmed. The codec returns one frame's worth of samples for each frame fed, in order, though
// not always at once (Wine's holds the first frame back until it has seen the next header), so
// the sample at untrimmed position s belongs to frame s / samplesPerFrame. To get every real frame out, frames of
// digital silence follow the last one; their samples are not kept.
#include "platform/win32/acm_mp3.h"

#include <windows.h>
// mmsystem.h first: windows.h leaves it out under WIN32_LEAN_AND_MEAN, and msacm.h needs it.
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace {

constexpr int decoderDelaySamples = 529; // the synthesis filterbank's delay, as libmpg123 counts it
constexpr size_t resyncLimitBytes = 2048; // how far past junk a frame is looked for
constexpr int maxId3Tags = 16;            // tags stacked at the start before the audio
constexpr size_t id3HeaderBytes = 10;
constexpr size_t frameHeaderBytes = 4;
constexpr size_t fileWindowBytes = 64 * 1024;
constexpr size_t codecOutputFrames = 4; // codec frames' worth of PCM one convert call may return
constexpr int maxConvertRounds = 64;    // calls to drain the codec after one frame is fed
// Silent frames fed after the last one: Wine's codec needs one to let go of a stream's only
// frame; a codec that lags a frame behind needs one more.
constexpr int flushFrames = 2;

// Bitrates in kbit/s by bitrate index, for MPEG-1 and for MPEG-2 / 2.5 Layer III.
constexpr std::array<int, 16> mpeg1BitratesKbps = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
constexpr std::array<int, 16> mpeg2BitratesKbps = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
constexpr std::array<int, 3> mpeg1RatesHz = {44100, 48000, 32000};

constexpr int versionMpeg1 = 3; // the header's two version bits
constexpr int versionMpeg2 = 2;
constexpr int versionMpeg25 = 0;
constexpr int layer3Bits = 1;
constexpr int monoMode = 3;
constexpr uint32_t noCrcBit = 1u << 16;
constexpr uint32_t paddingBit = 1u << 9;

struct FrameHeader {
    uint32_t word = 0;
    int versionBits = 0;
    int rateIndex = 0;
    int sampleRateHz = 0;
    int channels = 0;
    int bitrateKbps = 0;
    int bytes = 0;   // the whole frame, header included
    int samples = 0; // per channel: 1152 for MPEG-1, 576 for MPEG-2 and 2.5
    bool lowSamplingFrequency() const { return versionBits != versionMpeg1; }
};

uint32_t bigEndian32(const uint8_t* bytes)
{
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | uint32_t(bytes[3]);
}

// A Layer III header with a usable bitrate and rate; free-format streams are not supported.
std::optional<FrameHeader> parseHeader(uint32_t word)
{
    if ((word & 0xFFE00000u) != 0xFFE00000u)
        return std::nullopt;
    FrameHeader header;
    header.word = word;
    header.versionBits = int(word >> 19) & 3;
    const int layerBits = int(word >> 17) & 3;
    const int bitrateIndex = int(word >> 12) & 15;
    header.rateIndex = int(word >> 10) & 3;
    const int padding = int(word >> 9) & 1;
    const int mode = int(word >> 6) & 3;
    if (header.versionBits == 1 || layerBits != layer3Bits || bitrateIndex == 0 || bitrateIndex == 15 ||
        header.rateIndex == 3)
        return std::nullopt;
    const bool mpeg1 = header.versionBits == versionMpeg1;
    header.sampleRateHz = mpeg1RatesHz[size_t(header.rateIndex)];
    if (header.versionBits == versionMpeg2)
        header.sampleRateHz /= 2;
    else if (header.versionBits == versionMpeg25)
        header.sampleRateHz /= 4;
    header.channels = mode == monoMode ? 1 : 2;
    header.bitrateKbps = (mpeg1 ? mpeg1BitratesKbps : mpeg2BitratesKbps)[size_t(bitrateIndex)];
    header.samples = mpeg1 ? 1152 : 576;
    // Bytes per frame: samples / 8 bits * bitrate / rate, plus the padding byte.
    header.bytes = header.samples / 8 * header.bitrateKbps * 1000 / header.sampleRateHz + padding;
    return header;
}

// Frames a decoder can take one after the other without a change of output format.
bool compatible(const FrameHeader& a, const FrameHeader& b)
{
    return a.versionBits == b.versionBits && a.rateIndex == b.rateIndex && a.channels == b.channels;
}

// The info frame's fields that decide the trimming. frames == 0 means no trimming at all.
struct GaplessInfo {
    bool isInfoFrame = false;
    int64_t frames = 0;
    int delaySamples = 0;
    int paddingSamples = 0;
};

// Reads a LAME/Xing info frame the way libmpg123 does: the tag name right after the side
// information (which must be all zeros apart from a possible checksum), then the Xing fields the
// flags announce, then the LAME extension with its two 12-bit fields. Missing bytes stop the
// reading but the frame still counts as an info frame.
GaplessInfo readInfoFrame(const FrameHeader& header, const uint8_t* body, size_t bodyBytes)
{
    GaplessInfo info;
    size_t offset = header.channels == 2 ? (header.lowSamplingFrequency() ? 17 : 32)
                                         : (header.lowSamplingFrequency() ? 9 : 17);
    if (bodyBytes < offset + 8)
        return info;
    for (size_t i = 2; i < offset; ++i)
        if (body[i] != 0)
            return info;
    if (std::memcmp(body + offset, "Info", 4) != 0 && std::memcmp(body + offset, "Xing", 4) != 0)
        return info;
    info.isInfoFrame = true;
    offset += 4;
    const uint32_t flags = bigEndian32(body + offset);
    offset += 4;
    auto present = [&](size_t bytes) { return offset + bytes <= bodyBytes; };
    constexpr uint32_t framesFlag = 1, bytesFlag = 2, tocFlag = 4, qualityFlag = 8;
    constexpr size_t tocBytes = 100, lameBytes = 24, lameDelayOffset = 21;
    if (flags & framesFlag) {
        if (!present(4))
            return info;
        info.frames = bigEndian32(body + offset);
        offset += 4;
    }
    for (auto [flag, bytes] : {std::pair{bytesFlag, size_t(4)}, {tocFlag, tocBytes}, {qualityFlag, size_t(4)}}) {
        if (flags & flag) {
            if (!present(bytes))
                return info;
            offset += bytes;
        }
    }
    // The LAME extension starts with the encoder's name; a zero byte there means there is none.
    if (!present(lameBytes) || body[offset] == 0)
        return info;
    const uint8_t* fields = body + offset + lameDelayOffset;
    info.delaySamples = int(fields[0]) << 4 | int(fields[1]) >> 4;
    info.paddingSamples = (int(fields[1]) & 0x0F) << 8 | int(fields[2]);
    return info;
}

// Which samples of each codec frame are kept, from the info frame's fields.
class TrimPlan {
public:
    TrimPlan() = default;
    TrimPlan(const GaplessInfo& info, int samplesPerFrame) : frameSamples(samplesPerFrame)
    {
        declaredFrames = info.frames;
        if (declaredFrames <= 0)
            return;
        const int64_t begin = int64_t(info.delaySamples) + decoderDelaySamples;
        const int64_t end = declaredFrames * frameSamples - info.paddingSamples + decoderDelaySamples;
        firstFrame = begin / frameSamples;
        firstOffset = int(begin % frameSamples);
        if (end > 0) {
            lastFrame = end / frameSamples;
            lastOffset = int(end % frameSamples);
        }
    }

    // The kept samples [from, to) of frame number `frame` (0 is the first audio frame).
    std::pair<int, int> keptRange(int64_t frame) const
    {
        if (declaredFrames <= 0)
            return {0, frameSamples};
        if (frame < firstFrame)
            return {0, 0};
        if (frame >= declaredFrames)
            return {0, frameSamples};
        int to = frameSamples;
        if (lastFrame >= 0 && frame >= lastFrame)
            to = frame == lastFrame ? lastOffset : 0;
        const int from = frame == firstFrame ? firstOffset : 0;
        return from < to ? std::pair{from, to} : std::pair{0, 0};
    }

private:
    int frameSamples = 1152; // per channel
    int64_t declaredFrames = 0;
    int64_t firstFrame = 0;
    int firstOffset = 0;
    int64_t lastFrame = -1;
    int lastOffset = 0;
};

// The file, read through a window so frames come one at a time without reading it whole.
class FileWindow {
public:
    ~FileWindow() { close(); }

    bool open(const std::string& path)
    {
        close();
        file = std::fopen(path.c_str(), "rb");
        if (!file)
            return false;
        if (_fseeki64(file, 0, SEEK_END) != 0)
            return false;
        const int64_t end = _ftelli64(file);
        if (end < 0)
            return false;
        sizeBytes = uint64_t(end);
        window.resize(fileWindowBytes);
        windowStart = 0;
        windowFill = 0;
        return true;
    }

    void close()
    {
        if (file)
            std::fclose(file);
        file = nullptr;
        sizeBytes = 0;
        windowFill = 0;
    }

    uint64_t size() const { return sizeBytes; }

    // The `bytes` bytes at `offset`, or null when they are not all in the file (or unreadable).
    const uint8_t* at(uint64_t offset, size_t bytes)
    {
        if (!file || bytes > window.size() || offset > sizeBytes || bytes > sizeBytes - offset)
            return nullptr;
        if (offset < windowStart || offset + bytes > windowStart + windowFill) {
            if (_fseeki64(file, int64_t(offset), SEEK_SET) != 0)
                return nullptr;
            windowStart = offset;
            windowFill = std::fread(window.data(), 1, window.size(), file);
            if (bytes > windowFill)
                return nullptr;
        }
        return window.data() + (offset - windowStart);
    }

    std::optional<FrameHeader> headerAt(uint64_t offset)
    {
        const uint8_t* bytes = at(offset, frameHeaderBytes);
        if (!bytes)
            return std::nullopt;
        return parseHeader(bigEndian32(bytes));
    }

private:
    FILE* file = nullptr;
    uint64_t sizeBytes = 0;
    std::vector<uint8_t> window;
    uint64_t windowStart = 0;
    size_t windowFill = 0;
};

// Where the audio starts: after any ID3v2 tags (each "ID3", version, flags, a 28-bit size,
// and a footer when flagged). Tags that run past the end of the file leave nothing to play.
uint64_t skipId3Tags(FileWindow& file)
{
    uint64_t offset = 0;
    for (int tag = 0; tag < maxId3Tags; ++tag) {
        const uint8_t* header = file.at(offset, id3HeaderBytes);
        if (!header || std::memcmp(header, "ID3", 3) != 0)
            break;
        if ((header[6] | header[7] | header[8] | header[9]) & 0x80)
            break; // not a valid size: leave it to the frame search
        const uint64_t bodyBytes = uint64_t(header[6]) << 21 | uint64_t(header[7]) << 14 | uint64_t(header[8]) << 7 | header[9];
        constexpr uint8_t footerFlag = 0x10;
        offset += id3HeaderBytes + bodyBytes + ((header[5] & footerFlag) ? id3HeaderBytes : 0);
        if (offset >= file.size())
            return file.size();
    }
    return offset;
}

// A frame at `offset` that fits in the file and is followed by another one the decoder could
// take (or by the end of the file): one lone header in junk is not enough.
std::optional<FrameHeader> frameWithFollowerAt(FileWindow& file, uint64_t offset, const FrameHeader* format)
{
    const std::optional<FrameHeader> header = file.headerAt(offset);
    if (!header || (format && !compatible(*header, *format)))
        return std::nullopt;
    const uint64_t next = offset + uint64_t(header->bytes);
    if (next > file.size())
        return std::nullopt;
    if (next == file.size())
        return header;
    const std::optional<FrameHeader> follower = file.headerAt(next);
    if (!follower || !compatible(*header, *follower))
        return std::nullopt;
    return header;
}

} // namespace

struct AcmMp3::State {
    FileWindow file;
    FrameHeader format;       // the first frame's: rate, channels and samples per frame
    uint64_t nextFrameOffset = 0;
    TrimPlan trim;
    int64_t audioFramesFed = 0;
    int64_t samplesFromCodec = 0; // sample frames the codec has returned, kept or not
    bool inputDone = false;
    bool streamEnded = false;

    HACMSTREAM codec = nullptr;
    ACMSTREAMHEADER codecHeader{};
    bool headerPrepared = false;
    bool firstConvert = true;
    std::vector<uint8_t> codecInput; // capacity fixed while the header is prepared
    size_t codecInputFill = 0;
    std::vector<uint8_t> codecOutput;
    std::vector<uint8_t> silentFrame;

    std::vector<int16_t> decoded; // kept samples not yet read
    size_t decodedRead = 0;

    ~State() { closeCodec(); }

    void closeCodec()
    {
        if (headerPrepared) {
            codecHeader.cbSrcLength = DWORD(codecInput.size());
            codecHeader.cbDstLength = DWORD(codecOutput.size());
            acmStreamUnprepareHeader(codec, &codecHeader, 0);
            headerPrepared = false;
        }
        if (codec)
            acmStreamClose(codec, 0);
        codec = nullptr;
    }

    OpenResult openCodec(const FrameHeader& audio)
    {
        MPEGLAYER3WAVEFORMAT mp3{};
        mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
        mp3.wfx.nChannels = WORD(format.channels);
        mp3.wfx.nSamplesPerSec = DWORD(format.sampleRateHz);
        mp3.wfx.nAvgBytesPerSec = DWORD(audio.bitrateKbps * 1000 / 8);
        mp3.wfx.nBlockAlign = 1;
        mp3.wfx.wBitsPerSample = 0;
        mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
        mp3.wID = MPEGLAYER3_ID_MPEG;
        mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_ISO;
        mp3.nBlockSize = WORD(audio.bytes - int((audio.word & paddingBit) ? 1 : 0));
        mp3.nFramesPerBlock = 1;
        mp3.nCodecDelay = 0; // unknown to the codec: the trimming is done here

        WAVEFORMATEX pcm{};
        pcm.wFormatTag = WAVE_FORMAT_PCM;
        pcm.nChannels = WORD(format.channels);
        pcm.nSamplesPerSec = DWORD(format.sampleRateHz);
        pcm.wBitsPerSample = 16;
        pcm.nBlockAlign = WORD(format.channels * 2);
        pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;
        pcm.cbSize = 0;

        if (acmStreamOpen(&codec, nullptr, &mp3.wfx, &pcm, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) != 0) {
            codec = nullptr;
            return OpenResult::NoCodec;
        }
        // Room for two of the largest frames (the codec may leave part of one unused) and for a
        // few frames of PCM, or what the codec says it needs for that input, whichever is more.
        constexpr size_t largestFrameBytes = 1441 + 1;
        codecInput.assign(2 * largestFrameBytes, 0);
        size_t outputBytes = codecOutputFrames * size_t(format.samples) * pcm.nBlockAlign;
        DWORD suggested = 0;
        if (acmStreamSize(codec, DWORD(codecInput.size()), &suggested, ACM_STREAMSIZEF_SOURCE) == 0)
            outputBytes = std::max(outputBytes, size_t(suggested));
        codecOutput.assign(outputBytes, 0);
        codecHeader = ACMSTREAMHEADER{};
        codecHeader.cbStruct = sizeof codecHeader;
        codecHeader.pbSrc = codecInput.data();
        codecHeader.cbSrcLength = DWORD(codecInput.size());
        codecHeader.pbDst = codecOutput.data();
        codecHeader.cbDstLength = DWORD(codecOutput.size());
        if (acmStreamPrepareHeader(codec, &codecHeader, 0) != 0) {
            closeCodec();
            return OpenResult::CodecFailed;
        }
        headerPrepared = true;
        return OpenResult::Ok;
    }

    // A frame of the stream's format with all-zero side information and main data: it decodes
    // to silence and pushes the last real frame out of the codec.
    void makeSilentFrame()
    {
        const uint32_t word = (format.word | noCrcBit) & ~paddingBit;
        const std::optional<FrameHeader> header = parseHeader(word);
        silentFrame.assign(size_t(header ? header->bytes : 0), 0);
        if (silentFrame.size() >= frameHeaderBytes)
            for (size_t i = 0; i < frameHeaderBytes; ++i)
                silentFrame[i] = uint8_t(word >> (24 - 8 * i));
    }

    // The next audio frame's bytes, resynchronising past junk; null at the end of the audio.
    const uint8_t* nextFrame(size_t& bytes)
    {
        std::optional<FrameHeader> header = file.headerAt(nextFrameOffset);
        if (!header || !compatible(*header, format) || nextFrameOffset + uint64_t(header->bytes) > file.size()) {
            header.reset();
            for (size_t skipped = 1; skipped <= resyncLimitBytes && !header; ++skipped) {
                header = frameWithFollowerAt(file, nextFrameOffset + skipped, &format);
                if (header)
                    nextFrameOffset += skipped;
            }
            if (!header)
                return nullptr;
        }
        bytes = size_t(header->bytes);
        const uint8_t* frame = file.at(nextFrameOffset, bytes);
        nextFrameOffset += bytes;
        return frame;
    }

    // Keeps what the trim plan wants of the codec's PCM; drops anything past the real frames.
    void takeCodecOutput(size_t bytes)
    {
        const size_t frameBytes = size_t(format.channels) * sizeof(int16_t);
        const size_t sampleFrames = bytes / frameBytes; // PCM comes in whole blocks
        const int64_t realSamples = audioFramesFed * format.samples;
        const auto* samples = reinterpret_cast<const int16_t*>(codecOutput.data());
        for (size_t i = 0; i < sampleFrames; ++i) {
            const int64_t position = samplesFromCodec + int64_t(i);
            if (position >= realSamples)
                break;
            const auto [from, to] = trim.keptRange(position / format.samples);
            const int offset = int(position % format.samples);
            if (offset >= from && offset < to)
                decoded.insert(decoded.end(), samples + i * size_t(format.channels),
                               samples + (i + 1) * size_t(format.channels));
        }
        samplesFromCodec += int64_t(sampleFrames);
    }

    // Hands `bytes` to the codec and collects all it returns. False when the codec fails.
    bool convert(const uint8_t* bytes, size_t count, bool last)
    {
        if (count > codecInput.size() - codecInputFill)
            return false;
        std::memcpy(codecInput.data() + codecInputFill, bytes, count);
        codecInputFill += count;
        for (int round = 0; round < maxConvertRounds; ++round) {
            codecHeader.cbSrcLength = DWORD(codecInputFill);
            codecHeader.cbDstLength = DWORD(codecOutput.size());
            codecHeader.cbSrcLengthUsed = 0;
            codecHeader.cbDstLengthUsed = 0;
            DWORD flags = ACM_STREAMCONVERTF_BLOCKALIGN;
            if (firstConvert)
                flags |= ACM_STREAMCONVERTF_START;
            if (last)
                flags |= ACM_STREAMCONVERTF_END;
            if (acmStreamConvert(codec, &codecHeader, flags) != 0)
                return false;
            firstConvert = false;
            const size_t used = std::min<size_t>(codecHeader.cbSrcLengthUsed, codecInputFill);
            const size_t produced = std::min<size_t>(codecHeader.cbDstLengthUsed, codecOutput.size());
            std::memmove(codecInput.data(), codecInput.data() + used, codecInputFill - used);
            codecInputFill -= used;
            takeCodecOutput(produced);
            // A full output buffer may mean more is waiting; otherwise the codec wants input.
            if (produced < codecOutput.size() && (used == 0 || codecInputFill == 0))
                return true;
        }
        return true;
    }

    // Feeds the codec one more frame (or, after the last, the silent one); ends the stream when
    // there is nothing left or the codec fails.
    void decodeMore()
    {
        if (inputDone) {
            streamEnded = true;
            return;
        }
        size_t bytes = 0;
        if (const uint8_t* frame = nextFrame(bytes)) {
            ++audioFramesFed;
            if (!convert(frame, bytes, false))
                streamEnded = true;
            return;
        }
        inputDone = true;
        for (int flush = 1; flush <= flushFrames; ++flush) {
            if (!convert(silentFrame.data(), silentFrame.size(), flush == flushFrames)) {
                streamEnded = true;
                return;
            }
        }
    }
};

AcmMp3::AcmMp3() = default;
AcmMp3::~AcmMp3() = default;

AcmMp3::OpenResult AcmMp3::open(const std::string& path)
{
    close();
    auto opened = std::make_unique<State>();
    if (!opened->file.open(path))
        return OpenResult::FileNotFound;

    // The first frame: within reach of the tags' end, and followed by a frame that fits it.
    const uint64_t audioStart = skipId3Tags(opened->file);
    std::optional<FrameHeader> first;
    uint64_t firstOffset = audioStart;
    for (size_t skipped = 0; skipped <= resyncLimitBytes && !first; ++skipped) {
        firstOffset = audioStart + skipped;
        first = frameWithFollowerAt(opened->file, firstOffset, nullptr);
    }
    if (!first)
        return OpenResult::NotMp3;
    opened->format = *first;
    opened->nextFrameOffset = firstOffset;

    // An info frame is read for its gapless fields and skipped; the codec starts at the next.
    const uint8_t* firstBytes = opened->file.at(firstOffset, size_t(first->bytes));
    if (!firstBytes)
        return OpenResult::NotMp3;
    const GaplessInfo info = readInfoFrame(*first, firstBytes + frameHeaderBytes, size_t(first->bytes) - frameHeaderBytes);
    FrameHeader audio = *first;
    if (info.isInfoFrame) {
        opened->nextFrameOffset += uint64_t(first->bytes);
        if (const std::optional<FrameHeader> next = opened->file.headerAt(opened->nextFrameOffset);
            next && compatible(*next, *first))
            audio = *next;
    }
    opened->trim = TrimPlan(info, first->samples);

    const OpenResult codec = opened->openCodec(audio);
    if (codec != OpenResult::Ok)
        return codec;
    opened->makeSilentFrame();
    state = std::move(opened);
    return OpenResult::Ok;
}

void AcmMp3::close() { state.reset(); }

int AcmMp3::sampleRateHz() const { return state ? state->format.sampleRateHz : 0; }

int AcmMp3::channelCount() const { return state ? state->format.channels : 0; }

bool AcmMp3::ended() const
{
    return !state || (state->streamEnded && state->decodedRead == state->decoded.size());
}

size_t AcmMp3::read(int16_t* out, size_t maxFrames)
{
    if (!state || !out)
        return 0;
    State& s = *state;
    const size_t channels = size_t(s.format.channels);
    size_t written = 0;
    while (written < maxFrames) {
        if (s.decodedRead == s.decoded.size()) {
            if (s.streamEnded)
                break;
            s.decoded.clear();
            s.decodedRead = 0;
            s.decodeMore();
            continue;
        }
        const size_t available = (s.decoded.size() - s.decodedRead) / channels;
        const size_t take = std::min(available, maxFrames - written);
        std::copy_n(s.decoded.begin() + std::ptrdiff_t(s.decodedRead), take * channels, out + written * channels);
        s.decodedRead += take * channels;
        written += take;
    }
    return written;
}
