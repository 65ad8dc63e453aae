// The command line. With no arguments the program asks its settings dialog; flags let people
// (and tests) choose the size and mode directly, run headless, and stop early or grab a frame.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

struct Options {
    bool showDialog = true;       // false once --size, --windowed, --fullscreen or --headless is given
    int width = 800;              // used when the dialog is skipped
    int height = 600;
    bool fullscreen = false;
    bool desktop = false;         // full screen at the desktop's resolution, the picture scaled
    std::string dataFolder = "./data";
    bool dataFolderGiven = false; // --data was given: no other folder is looked for
    bool log = false;             // log lines to standard error
    bool headless = false;        // offscreen, virtual clock, no window
    bool vsync = false;
    bool mute = false;
    bool trace = false;           // one line per timer event on standard error
    bool stats = false;           // per-scene frame times on standard error at the end
    bool checkGl = false;         // report every OpenGL error after each frame; status 1 if any
    std::optional<double> untilSeconds;  // end at this demo time with status 0
    std::optional<double> frameSeconds;  // write the frame drawn at this demo time, then end
    std::string framePath;
    // Every --frame given, in command-line order (the first is also frameSeconds/framePath);
    // the run ends after the last one.
    std::vector<std::pair<double, std::string>> frames;
    std::string capture;          // a video file, a folder ending in / or a picture pattern
    double captureFps = 62.5;     // capture frames per second of show time
    bool quiet = false;           // no progress bar
};

enum class ParseOutcome { Run, Help, Version, Error };

// Fills options from argv. On Error, `error` says what was wrong.
ParseOutcome parseOptions(int argc, const char* const* argv, Options& options, std::string& error);

std::string usageText(const char* programName);
// "talvoren VERSION", the version the build was made with.
std::string versionText();
