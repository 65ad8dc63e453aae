#include "app/program.h"

#include "app/capture.h"

#include "app/settings_dialog.h"
#include "app/startup.h"
#include "app/window.h"
#include "platform/files.h"
#include "platform/fsound.h"
#include "platform/os.h"
#include "platform/system.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

bool isFolder(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

bool isFile(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// The data folder: the one given with --data; else ./data when it holds the music (an unrelated
// "data" folder in the home directory, where a menu launch starts, is not taken); else the data
// installed with the program. Empty, with every place looked at in `looked`, when none is there.
std::string findDataFolder(const Options& options, std::string& looked)
{
    if (options.dataFolderGiven) {
        looked = "\n  " + options.dataFolder + " (given with --data)";
        return isFolder(options.dataFolder) ? options.dataFolder : std::string();
    }
    const std::string local = "./data";
    looked = "\n  " + local + " (when it holds demo.mp3)";
    if (isFile(local + "/demo.mp3"))
        return local;
    const std::string installed = os::installedDataFolder();
    if (!installed.empty()) {
        const std::filesystem::path normal = std::filesystem::path(installed).lexically_normal();
        looked += "\n  " + normal.string() + " (installed with the program)";
        if (isFolder(installed))
            return normal.string();
    }
    return {};
}
} // namespace

int runMessageLoop()
{
    os::Message message;
    for (;;) {
        if (!os::peekMessage(message))
            continue;
        // A key press ends the show before it ever reaches the window.
        if (message.message == os::WM_QUIT || message.message == os::WM_KEYDOWN)
            break;
        os::dispatchMessage(message);
    }
    return int(message.wParam);
}

int runCommandLine(int argc, char** argv)
{
    Options options;
    std::string error;
    switch (parseOptions(argc, argv, options, error)) {
    case ParseOutcome::Help:
        std::fputs(usageText(argv[0]).c_str(), stdout);
        return 0;
    case ParseOutcome::Version:
        std::fputs(versionText().c_str(), stdout);
        return 0;
    case ParseOutcome::Error:
        std::fprintf(stderr, "talvoren: %s\n\n%s", error.c_str(), usageText(argv[0]).c_str());
        return 2;
    case ParseOutcome::Run:
        break;
    }
    return runProgram(options);
}

int runProgram(const Options& options)
{
    std::string looked;
    const std::string dataFolder = findDataFolder(options, looked);
    if (dataFolder.empty()) {
        std::fprintf(stderr, "talvoren: no data folder found; looked in:%s\nUse --data DIR to name it.\n",
                     looked.c_str());
        return 2;
    }
    os::setDataFolder(dataFolder);
    os::selectBackend(options.headless ? os::Backend::Headless : os::Backend::Windowed);
    os::setVsync(options.vsync);
    os::setDesktopFullscreen(options.desktop);
    desktopFullscreen = options.desktop;
    fsound::setMuted(options.mute);

    runControls.logEnabled = options.log;
    runControls.trace = options.trace;
    runControls.stats = options.stats;
    runControls.checkGl = options.checkGl;
    runControls.untilSeconds = options.untilSeconds;
    runControls.frames = options.frames;
    std::stable_sort(runControls.frames.begin(), runControls.frames.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    std::unique_ptr<Capture> capture;
    if (!options.capture.empty()) {
        Capture::Settings settings;
        std::string error;
        if (!parseCaptureTarget(options.capture, settings.target, error)) {
            std::fprintf(stderr, "talvoren: %s\n", error.c_str());
            return 2;
        }
        settings.fps = options.captureFps;
        settings.quiet = options.quiet;
        settings.endSeconds = std::min(options.untilSeconds.value_or(endOfDemoMs * 0.001), endOfDemoMs * 0.001);
        settings.musicPath = os::resolvePath("./data/demo.mp3");
        capture = Capture::prepare(settings, error);
        if (!capture) {
            std::fprintf(stderr, "talvoren: %s\n", error.c_str());
            return 2;
        }
        runControls.capture = capture.get();
        watchForInterrupt();
    }

    if (options.showDialog) {
        if (!showSettingsDialog()) {
            std::fprintf(stderr, "talvoren: no display for the settings dialog; "
                                 "use --windowed to play in a window or --headless to render offscreen\n");
            return 2;
        }
    } else {
        screenWidth = options.width;
        screenHeight = options.height;
        fullscreen = options.fullscreen && !options.headless;
    }

    if (!openWindow(windowTitle, screenWidth, screenHeight, 32, fullscreen))
        return 0;
    int status = runMessageLoop();
    if (capture) {
        // The context is still current: the last frames are read back before the window goes.
        const int captured = capture->finish();
        runControls.capture = nullptr;
        if (captured != 0)
            status = captured;
    }
    printFrameStats();
    closeWindow();
    if (runControls.glErrors > 0)
        std::fprintf(stderr, "talvoren: %d OpenGL error%s\n", runControls.glErrors,
                     runControls.glErrors == 1 ? "" : "s");
    if (runControls.frameFailed || runControls.glErrors > 0)
        return 1;
    return status;
}
