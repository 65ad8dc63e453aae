// Capture: the show rendered headless on the virtual clock into a video file (frames piped to
// ffmpeg, the music muxed in) or into numbered PNG pictures. Frame k of a capture at N frames
// per second is the show as it was on screen at k / N seconds: the last frame drawn by then.
#pragma once

#include "platform/os.h"

#include <cstdint>
#include <memory>
#include <string>

// Which capture frames fall where on the show's timeline.
class FrameSchedule {
public:
    explicit FrameSchedule(double framesPerSecond) : fps(framesPerSecond) {}
    // How many capture frames lie strictly before this demo time (milliseconds).
    int64_t framesBefore(double demoMs) const;

private:
    double fps;
};

// Whether the frame on screen is the one shown at `seconds` (--frame): the last frame drawn at or
// before that moment, which holds when the next one, due at nextFrameMs, comes after it. Frame
// times are whole milliseconds: taken from the float demo time plus a period, they would land a
// rounding step late past about 32 s and pick the frame before.
bool isFrameShownAt(int64_t nextFrameMs, double seconds);

// One line of the progress bar: bar, frames done of total, capture speed and time left.
std::string progressLine(int64_t done, int64_t total, double elapsedSeconds);

enum class CaptureKind { Video, Pictures };

struct CaptureTarget {
    CaptureKind kind = CaptureKind::Video;
    std::string path; // the video file, or the pictures' printf pattern with one integer field
};

// "DIR/" means DIR/00000.png, DIR/00001.png, ...; a name with one % conversion such as
// frames/%05d.png is a picture pattern; anything else is a video file. False, with the reason,
// for a pattern that is not exactly one integer conversion.
bool parseCaptureTarget(const std::string& text, CaptureTarget& target, std::string& error);
// The picture file for capture frame `index`.
std::string pictureName(const std::string& pattern, int64_t index);

// Ctrl-C (and SIGTERM) during a capture ask it to stop after the frame being drawn.
void watchForInterrupt();
bool interruptRequested();

class Capture {
public:
    struct Settings {
        CaptureTarget target;
        double fps = 62.5;
        bool quiet = false;
        double endSeconds = 241.0;  // when the run will end (the scheduled end or --until)
        std::string musicPath;      // muxed into a video when readable
    };

    // Checks what the capture needs before anything is drawn (ffmpeg for a video). Null, with
    // the message, when it cannot run.
    static std::unique_ptr<Capture> prepare(const Settings& settings, std::string& error);
    ~Capture();

    // After every frame that reaches the screen, the start picture (at 0) included.
    void frameShown(os::Window* window, int64_t demoMs);
    // The encoder stopped or a picture could not be written: the run should end.
    bool broken() const;
    // Writes the frames still due, closes the file and reports: exit status 0 when complete,
    // 1 when it failed, 130 when interrupted (the file then holds what was rendered).
    int finish();

    struct Internals;

private:
    explicit Capture(std::unique_ptr<Internals> parts);
    std::unique_ptr<Internals> parts;
};
