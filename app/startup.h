// The start-up sequence (preInit, worldInit) and the one timer callback through which every
// frame and every scheduled event arrives.
#pragma once

#include "platform/os.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

constexpr uintptr_t frameTimerId = 111;
constexpr uint32_t framePeriodMs = 16;
constexpr uintptr_t endOfDemoEventId = 696969;
constexpr int32_t endOfDemoMs = 241000;

class Capture;

// How this run was asked to behave beyond the show itself; set by the entry before the window
// opens, read by preInit and the frame callback.
struct RunControls {
    bool logEnabled = false;               // the log prints to standard error
    bool trace = false;                    // one line per event on standard error
    bool stats = false;                    // time every frame (to the finish) and report per scene
    std::optional<double> untilSeconds;    // quit at this demo time
    // Frames to write as PNG files (demo time, file), earliest first; the run quits after the last.
    std::vector<std::pair<double, std::string>> frames;
    bool frameFailed = false;              // the PNG could not be written
    bool checkGl = false;                  // read glGetError after every frame
    int glErrors = 0;                      // errors seen so far (with checkGl)
    Capture* capture = nullptr;            // every shown frame goes here when capturing
};
extern RunControls runControls;

// The per-scene frame-time report of --stats (nothing when no frame was timed).
void printFrameStats();

class Text;
extern Text* startupText; // created and positioned by preInit, never drawn

void preInit();
void worldInit();
void onTimer(os::Window* window, uint32_t message, uintptr_t id, uint32_t timeMs);
