#include "app/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

bool parseSize(const char* text, int& width, int& height)
{
    char* end = nullptr;
    errno = 0;
    const long w = std::strtol(text, &end, 10);
    if (end == text || (*end != 'x' && *end != 'X') || errno)
        return false;
    const char* heightText = end + 1;
    const long h = std::strtol(heightText, &end, 10);
    if (end == heightText || *end != '\0' || errno)
        return false;
    // Large enough for any display, small enough that pixel buffers stay sane.
    constexpr long largestSide = 16384;
    if (w < 1 || h < 1 || w > largestSide || h > largestSide)
        return false;
    width = int(w);
    height = int(h);
    return true;
}

bool parseSeconds(const char* text, double& seconds)
{
    char* end = nullptr;
    errno = 0;
    seconds = std::strtod(text, &end);
    return end != text && *end == '\0' && !errno && std::isfinite(seconds) && seconds >= 0;
}

} // namespace

ParseOutcome parseOptions(int argc, const char* const* argv, Options& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        auto value = [&](const char* what) -> const char* {
            if (i + 1 >= argc) {
                error = flag + " needs " + what;
                return nullptr;
            }
            return argv[++i];
        };
        auto secondsValue = [&](const char* what, double& seconds) {
            const char* text = value(what);
            if (!text)
                return false;
            if (!parseSeconds(text, seconds)) {
                error = std::string("malformed time \"") + text + "\": expected seconds, e.g. 12.5";
                return false;
            }
            return true;
        };
        if (flag == "--help" || flag == "-h") {
            return ParseOutcome::Help;
        } else if (flag == "--version") {
            return ParseOutcome::Version;
        } else if (flag == "--size") {
            const char* text = value("a size such as 800x600");
            if (!text)
                return ParseOutcome::Error;
            if (!parseSize(text, options.width, options.height)) {
                error = std::string("malformed size \"") + text + "\": expected WIDTHxHEIGHT, e.g. 800x600";
                return ParseOutcome::Error;
            }
            options.showDialog = false;
        } else if (flag == "--windowed") {
            options.fullscreen = false;
            options.showDialog = false;
        } else if (flag == "--fullscreen") {
            options.fullscreen = true;
            options.showDialog = false;
        } else if (flag == "--desktop") {
            options.fullscreen = true;
            options.desktop = true;
            options.showDialog = false;
        } else if (flag == "--data") {
            const char* text = value("a folder");
            if (!text)
                return ParseOutcome::Error;
            options.dataFolder = text;
            options.dataFolderGiven = true;
        } else if (flag == "--log") {
            options.log = true;
        } else if (flag == "--headless") {
            options.headless = true;
            options.showDialog = false;
        } else if (flag == "--vsync") {
            options.vsync = true;
        } else if (flag == "--mute") {
            options.mute = true;
        } else if (flag == "--trace") {
            options.trace = true;
        } else if (flag == "--stats") {
            options.stats = true;
        } else if (flag == "--check-gl") {
            options.checkGl = true;
        } else if (flag == "--until") {
            double seconds = 0;
            if (!secondsValue("a demo time in seconds", seconds))
                return ParseOutcome::Error;
            options.untilSeconds = seconds;
        } else if (flag == "--frame") {
            double seconds = 0;
            if (!secondsValue("a demo time in seconds and a PNG file", seconds))
                return ParseOutcome::Error;
            const char* path = value("a PNG file after the time");
            if (!path)
                return ParseOutcome::Error;
            if (options.frames.empty()) {
                options.frameSeconds = seconds;
                options.framePath = path;
            }
            options.frames.emplace_back(seconds, path);
            options.headless = true;
            options.showDialog = false;
        } else if (flag == "--capture") {
            const char* text = value("a video file, a folder ending in / or a picture pattern");
            if (!text)
                return ParseOutcome::Error;
            if (!*text) {
                error = "--capture needs a file name";
                return ParseOutcome::Error;
            }
            options.capture = text;
            options.headless = true;
            options.mute = true;
            options.showDialog = false;
        } else if (flag == "--fps") {
            const char* text = value("frames per second");
            if (!text)
                return ParseOutcome::Error;
            double fps = 0;
            if (!parseSeconds(text, fps) || fps <= 0 || fps > 1000) {
                error = std::string("malformed rate \"") + text + "\": expected frames per second, e.g. 60";
                return ParseOutcome::Error;
            }
            options.captureFps = fps;
        } else if (flag == "--quiet") {
            options.quiet = true;
        } else {
            error = "unknown option \"" + flag + "\"";
            return ParseOutcome::Error;
        }
    }
    if (options.desktop && options.headless) {
        error = "--desktop plays full screen on a display: it cannot go with --headless, --frame or --capture";
        return ParseOutcome::Error;
    }
    return ParseOutcome::Run;
}

std::string usageText(const char* programName)
{
    std::string name = programName && *programName ? programName : "talvoren";
    return "Usage: " + name + " [options]\n"
           "Plays the demo. With no options it first asks for the screen size in a dialog.\n"
           "\n"
           "  --help               show this text\n"
           "  --version            show the program's name and version\n"
           "  --size WxH           play at this size (skips the dialog; windowed unless --fullscreen)\n"
           "  --windowed           play in a window (skips the dialog; 800x600 unless --size)\n"
           "  --fullscreen         play full screen: the display switches to the chosen size\n"
           "                       (skips the dialog)\n"
           "  --desktop            play full screen at the desktop's own resolution, the picture\n"
           "                       scaled to fit with black bars, no mode change: for sizes the\n"
           "                       display lacks (such as 1024x786) or panels that scale badly\n"
           "  --data DIR           read the demo's files from DIR (default: ./data when it holds\n"
           "                       demo.mp3, else the data installed with the program)\n"
           "  --log                print the log to standard error\n"
           "  --headless           render offscreen on a virtual clock, as fast as possible\n"
           "  --until SECONDS      end at this demo time with status 0\n"
           "  --frame SECONDS FILE\n"
           "                       write the frame shown at this demo time as a PNG and end\n"
           "                       (repeat it for several frames of one run; runs headless)\n"
           "  --capture OUT        render the whole show headless into a video (OUT.mp4, with\n"
           "                       the music; needs ffmpeg) or into PNG pictures (OUT = DIR/ or\n"
           "                       a pattern such as frames/%05d.png); 800x600 unless --size\n"
           "  --fps N              capture frames per second (default 62.5, the show's own rate)\n"
           "  --quiet              no progress bar while capturing\n"
           "  --vsync              wait for vertical sync when swapping frames\n"
           "  --mute               play the music silently (the show keeps its timing)\n"
           "  --trace              print every timer event as it is handled\n"
           "  --stats              print each scene's median and worst frame time at the end, and\n"
           "                       in a window the frame pacing\n"
           "  --check-gl           report OpenGL errors after every frame (exit status 1 if any)\n"
           "\n"
           "Any key ends the demo early.\n"
           "\n"
           "Exit status:\n"
           "  0                    the show reached its end (or --until, or the last --frame)\n"
           "  key code             a key ended it: that key's virtual-key code (Escape 27, Q 81)\n"
           "  1                    a frame or the capture could not be written, or OpenGL\n"
           "                       reported an error with --check-gl\n"
           "  2                    a bad command line, no data folder, or a video capture\n"
           "                       without ffmpeg\n"
           "  130                  a capture stopped with Ctrl-C (the file holds what was done)\n"
           "  255                  the settings dialog was cancelled (-1 on Windows)\n";
}

std::string versionText() { return std::string("talvoren ") + TALVOREN_VERSION + "\n"; }
