#include "app/music.h"

#include "app/log.h"
#include "platform/fsound.h"
#include "platform/os.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

Fmod* music = nullptr;

namespace {

void exitProcess(int status) { std::exit(status); }

constexpr float requiredVersion = 3.71f;
constexpr int mixingRate = 44100;
constexpr int softwareChannels = 128;
constexpr unsigned initFlags = 2;
constexpr unsigned streamOpenMode = 0x130;
constexpr unsigned streamPlayMode = 2;
constexpr int fullVolume = 255;

// Errors are shown through the log's box; before the log exists, straight through the platform.
__attribute__((format(printf, 1, 2))) void showBox(const char* format, ...)
{
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (logger)
        logger->messageBox("%s", text);
    else
        os::messageBox(text, "", os::MB_OK | os::MB_ICONINFORMATION);
}

} // namespace

void (*musicExit)(int status) = exitProcess;

Fmod::Fmod()
{
    if (logger)
        logger->printObject("Fmod");
    mixRate = mixingRate;
    maxChannels = softwareChannels;
    if (FSOUND_GetVersion() < requiredVersion) {
        showBox("Error : Wrong DLL version! Use %.02f\n", double(requiredVersion));
        return;
    }
    if (!FSOUND_Init(mixRate, maxChannels, initFlags)) {
        showBox("%s\n", errorText(FSOUND_GetError()));
        musicExit(1);
        return;
    }
    FSOUND_SetSFXMasterVolume(fullVolume);
    stream = nullptr;
    playing = false;
}

void Fmod::open(const char* path)
{
    if (logger)
        logger->print("Opening mp3 file: %s", path);
    stream = FSOUND_Stream_Open(path, streamOpenMode, 0, 0);
    if (!stream)
        showBox("%s\n", errorText(FSOUND_GetError()));
}

void Fmod::play()
{
    if (logger)
        logger->print("Playing stream mp3...");
    FSOUND_Stream_SetMode(stream, streamPlayMode);
    FSOUND_Stream_Play(0, stream);
    // Playing even without a stream: the demo's clock then runs on the sound layer's silent clock.
    playing = true;
}

int32_t Fmod::position() const { return FSOUND_Stream_GetTime(stream); }

const char* Fmod::errorText(int code)
{
    static const char* const texts[] = {
        "No errors",
        "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.",
        "This command failed because FSOUND_Init was not called",
        "Error initializing output device.",
        "The output device is already in use and cannot be reused.",
        "Playing the sound failed.",
        "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
        "Error setting cooperative level for hardware.",
        "Error creating hardware sound buffer.",
        "File not found",
        "Unknown file format",
        "Error loading file",
        "Not enough memory ",
        "The version number of this file format is not supported",
        "An invalid parameter was passed to this function",
        "Tried to use an EAX command on a non EAX enabled channel or output.",
        "Failed to allocate a new channel",
        "Recording not supported on this device",
        "Required Mediaplayer codec is not installed",
    };
    constexpr int count = int(sizeof texts / sizeof texts[0]);
    return code >= 0 && code < count ? texts[code] : "Unknown error";
}
