// An MP3 decoder over the Audio Compression Manager: the MPEG Layer-3 codec that ships with
// Windows does the decoding; this class does everything around it that makes the output match
// the Linux build's gapless mpg123 output sample for sample.
//
// The codec is a plain frame decoder: handed the LAME/Xing info frame it would decode it as a
// frame of silence, and it keeps the encoder's delay and padding and its own 529-sample
// filterbank delay. So the file is parsed here (ID3v2 tags skipped, frames found and checked one
// by one), the info frame is read and never given to the codec, and the samples the info frame
// declares as delay and padding are dropped from the codec's output, with the same rules libmpg123
// applies (a file without an info frame is not trimmed at all, as libmpg123 does not trim one).
//
// The file is read a frame at a time through a small window, so a stream decodes incrementally.
// Everything read from the file is bounds-checked; a hostile file ends the stream early or is
// refused at open, never more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class AcmMp3 {
public:
    enum class OpenResult {
        Ok,
        FileNotFound,
        NotMp3,  // no run of valid MPEG Layer-3 frames near the file's start
        NoCodec, // the system has no MP3 codec (Windows N editions)
        CodecFailed,
    };

    AcmMp3();
    ~AcmMp3();
    AcmMp3(const AcmMp3&) = delete;
    AcmMp3& operator=(const AcmMp3&) = delete;

    OpenResult open(const std::string& path);
    void close();

    int sampleRateHz() const;
    int channelCount() const;

    // Decodes up to maxFrames sample frames (channelCount() interleaved samples each) into out.
    // Returns how many it wrote: fewer than asked only at the end of the stream, 0 after it.
    size_t read(int16_t* out, size_t maxFrames);
    bool ended() const;

private:
    struct State;
    std::unique_ptr<State> state;
};
