// The sound layer: the few FSOUND_* calls the music object makes, over libmpg123 (decoding) and
// SDL2 audio (44.1 kHz stereo output, resampled when the file differs).
//
// A stream decodes ahead on a thread of its own into a ring buffer that the audio callback
// drains; the file is never read whole. The play position is the audio actually played, in
// milliseconds, advancing in real time from FSOUND_Stream_Play. Without an audio device
// everything still succeeds; with no device (or SDL's dummy and disk drivers, whose callbacks do
// not keep real time) the position follows the clock from the moment of play, and headless it
// follows the virtual clock exactly, so a headless run
// is deterministic. FSOUND_Stream_Play with a null stream starts that silent clock too, and the
// position keeps advancing after a stream's end.
#pragma once

#include <cstdint>

struct FSOUND_STREAM;

// Error codes reported by FSOUND_GetError.
enum FMOD_ERRORS {
    FMOD_ERR_NONE = 0,
    FMOD_ERR_BUSY = 1,          // a call that must come before FSOUND_Init
    FMOD_ERR_UNINITIALIZED = 2, // FSOUND_Init was not called
    FMOD_ERR_INIT = 3,
    FMOD_ERR_ALLOCATED = 4,
    FMOD_ERR_PLAY = 5,
    FMOD_ERR_OUTPUT_FORMAT = 6,
    FMOD_ERR_COOPERATIVELEVEL = 7,
    FMOD_ERR_CREATEBUFFER = 8,
    FMOD_ERR_FILE_NOTFOUND = 9,
    FMOD_ERR_FILE_FORMAT = 10,
    FMOD_ERR_FILE_BAD = 11,
    FMOD_ERR_MEMORY = 12,
    FMOD_ERR_VERSION = 13,
    FMOD_ERR_INVALID_PARAM = 14,
    FMOD_ERR_NO_EAX = 15,
    FMOD_ERR_CHANNEL_ALLOC = 16,
    FMOD_ERR_RECORD = 17,
    FMOD_ERR_MEDIAPLAYER = 18,  // the system has no MP3 codec (Windows N editions, servers)
};

float FSOUND_GetVersion();
// Starts the output at mixRate (44100) with stereo 16-bit samples. False (and an error code)
// only when it was already started; a missing audio device is not a failure.
signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags);
int FSOUND_GetError();
void FSOUND_SetSFXMasterVolume(int volume); // 0..255
// Opens an MP3 stream. Null with FMOD_ERR_FILE_NOTFOUND, FMOD_ERR_FILE_FORMAT, ... on failure.
FSOUND_STREAM* FSOUND_Stream_Open(const char* path, unsigned int mode, int offset, int length);
signed char FSOUND_Stream_SetMode(FSOUND_STREAM* stream, unsigned int mode);
// Starts the stream (and the play clock). Returns the channel, or -1 for a null stream, whose
// silent clock starts all the same.
int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream);
// The play position in milliseconds since FSOUND_Stream_Play (0 before it).
int FSOUND_Stream_GetTime(FSOUND_STREAM* stream);
// Stops everything and frees every stream: the layer is as before FSOUND_Init.
void FSOUND_Close();

namespace fsound {

// The version FSOUND_GetVersion reports (tests check the music object's version gate).
void setReportedVersion(float version);
// Plays silently; the position still comes from the audio clock.
void setMuted(bool muted);
// Whether a real (or dummy-driver) audio device is open.
bool hasDevice();
// CPU seconds the decoder threads have used so far.
double decoderCpuSeconds();

} // namespace fsound
