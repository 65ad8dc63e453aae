#include "app/capture.h"

#include "platform/child_process.h"
#include "platform/frame_grabber.h"
#include "platform/png_writer.h"
#include "platform/system.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

int64_t FrameSchedule::framesBefore(double demoMs) const
{
    if (!(demoMs > 0) || !(fps > 0))
        return 0;
    // Frame k is at k * 1000 / fps; a frame exactly at demoMs is not before it.
    return int64_t(std::ceil(demoMs * fps / 1000.0 - 1e-9));
}

bool isFrameShownAt(int64_t nextFrameMs, double seconds) { return double(nextFrameMs) > seconds * 1000.0 + 1e-6; }

std::string progressLine(int64_t done, int64_t total, double elapsedSeconds)
{
    total = std::max<int64_t>(total, 1);
    done = std::clamp<int64_t>(done, 0, total);
    constexpr int barWidth = 30;
    const int filled = int(done * barWidth / total);
    std::string line = "capture [" + std::string(size_t(filled), '#') + std::string(size_t(barWidth - filled), '-') + "]";
    char figures[96];
    const double speed = elapsedSeconds > 0 ? double(done) / elapsedSeconds : 0.0;
    if (speed > 0) {
        const long left = std::lround(double(total - done) / speed);
        std::snprintf(figures, sizeof figures, " %lld/%lld frames %6.1f fps %3ld:%02ld left", static_cast<long long>(done),
                      static_cast<long long>(total), speed, left / 60, left % 60);
    } else {
        std::snprintf(figures, sizeof figures, " %lld/%lld frames", static_cast<long long>(done),
                      static_cast<long long>(total));
    }
    return line + figures;
}

bool parseCaptureTarget(const std::string& text, CaptureTarget& target, std::string& error)
{
    if (text.empty()) {
        error = "--capture needs a file, a folder ending in / or a picture pattern";
        return false;
    }
    if (text.back() == '/' || text.back() == '\\') { // a folder, written either way on Windows
        target = {CaptureKind::Pictures, text + "%05d.png"};
        return true;
    }
    const size_t percent = text.find('%');
    if (percent == std::string::npos) {
        target = {CaptureKind::Video, text};
        return true;
    }
    // Exactly one conversion: %d with optional zero flag and width, e.g. %05d. Anything else
    // would hand the pattern's own text to the formatter as arguments it does not have.
    size_t i = percent + 1;
    while (i < text.size() && (text[i] == '0' || std::isdigit(static_cast<unsigned char>(text[i]))))
        ++i;
    const bool oneInteger = i < text.size() && text[i] == 'd' && i - percent <= 4 &&
                            text.find('%', i + 1) == std::string::npos;
    if (!oneInteger) {
        error = "malformed picture pattern \"" + text + "\": use one integer field such as frames/%05d.png";
        return false;
    }
    target = {CaptureKind::Pictures, text};
    return true;
}

std::string pictureName(const std::string& pattern, int64_t index)
{
    char name[4096];
    std::snprintf(name, sizeof name, pattern.c_str(), int(index));
    return name;
}

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int signalNumber)
{
    interrupted = 1;
    // A second press ends the program at once.
    std::signal(signalNumber, SIG_DFL);
}

// Makes the folders of a picture pattern's path (the part before its last slash).
bool makeFolders(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos || slash == 0)
        return true;
    std::error_code error;
    const std::filesystem::path folder = path.substr(0, slash);
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error);
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? "." : slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

bool isReadableFile(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error) || std::filesystem::file_size(path, error) == 0 || error)
        return false;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file)
        std::fclose(file);
    return file != nullptr;
}

// Where the frames go: an encoder process, or picture files.
class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual bool write(const std::vector<uint8_t>& rgba, int64_t index, std::string& error) = 0;
    virtual bool close(std::string& error) = 0;
};

class VideoSink final : public FrameSink {
public:
    bool open(const std::string& ffmpeg, const Capture::Settings& settings, int width, int height, std::string& error)
    {
        char size[32], rate[32];
        std::snprintf(size, sizeof size, "%dx%d", width, height);
        std::snprintf(rate, sizeof rate, "%.9g", settings.fps);
        std::vector<std::string> argv = {ffmpeg, "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
                                         "-f", "rawvideo", "-pix_fmt", "rgba", "-video_size", size,
                                         "-framerate", rate, "-i", "pipe:0"};
        const bool withMusic = !settings.musicPath.empty();
        if (withMusic)
            argv.insert(argv.end(), {"-i", settings.musicPath});
        argv.insert(argv.end(), {"-map", "0:v"});
        if (withMusic)
            argv.insert(argv.end(), {"-map", "1:a"});
        // OpenGL rows come bottom first; H.264 in 4:2:0 needs even sides.
        argv.insert(argv.end(), {"-vf", "vflip,pad=ceil(iw/2)*2:ceil(ih/2)*2", "-c:v", "libx264", "-preset",
                                 "veryfast", "-crf", "20", "-pix_fmt", "yuv420p"});
        if (withMusic)
            argv.insert(argv.end(), {"-c:a", "aac", "-b:a", "192k", "-shortest"});
        argv.insert(argv.end(), {"-movflags", "+faststart", settings.target.path});
        return child.start(argv, error);
    }

    bool write(const std::vector<uint8_t>& rgba, int64_t, std::string& error) override
    {
        if (child.write(rgba.data(), rgba.size()))
            return true;
        error = "ffmpeg stopped taking frames";
        return false;
    }

    bool close(std::string& error) override
    {
        const int status = child.finish();
        if (status == 0)
            return true;
        error = status < 0 ? "ffmpeg did not finish" : "ffmpeg failed with status " + std::to_string(status);
        return false;
    }

private:
    os::ChildProcess child;
};

class PictureSink final : public FrameSink {
public:
    PictureSink(std::string pattern, int width, int height) : pattern(std::move(pattern)), width(width), height(height) {}

    bool write(const std::vector<uint8_t>& rgba, int64_t index, std::string& error) override
    {
        return os::writePng(pictureName(pattern, index), rgba, width, height, error);
    }
    bool close(std::string&) override { return true; }

private:
    std::string pattern;
    int width, height;
};

// A finished frame on its way to the sink, written as `count` consecutive capture frames.
struct Batch {
    std::vector<uint8_t> pixels;
    int64_t first = 0;
    int64_t count = 0;
};

} // namespace

void watchForInterrupt()
{
    interrupted = 0;
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
}

bool interruptRequested() { return interrupted != 0; }

struct Capture::Internals {
    Settings settings;
    std::string ffmpeg;
    FrameSchedule schedule{62.5};
    int64_t total = 0;        // capture frames in a complete run
    int64_t handedOver = 0;   // capture frames given to the writer
    int64_t lastShownMs = 0;
    int64_t framesShown = 0;
    bool begun = false;
    bool failed = false;
    std::string failure;

    os::FrameGrabber grabber;
    std::unique_ptr<FrameSink> sink;

    // The writer thread: the sink's work (encoding, PNG compression) runs beside the renderer.
    std::thread writer;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Batch> queue;
    std::vector<std::vector<uint8_t>> spare;
    bool closing = false;
    std::atomic<bool> sinkFailed{false};
    std::atomic<int64_t> written{0};

    std::chrono::steady_clock::time_point startTime;
    std::chrono::steady_clock::time_point lastProgress;
    bool toTerminal = os::standardErrorIsTerminal();
    int64_t lastTenth = 0;

    static constexpr size_t queueLimit = 3;

    void writeLoop()
    {
        for (;;) {
            Batch batch;
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return closing || !queue.empty(); });
                if (queue.empty())
                    return;
                batch = std::move(queue.front());
                queue.pop_front();
            }
            changed.notify_all();
            for (int64_t i = 0; i < batch.count && !sinkFailed; ++i) {
                std::string error;
                if (sink->write(batch.pixels, batch.first + i, error)) {
                    ++written;
                } else {
                    std::lock_guard<std::mutex> lock(mutex);
                    failure = error;
                    sinkFailed = true;
                }
            }
            std::lock_guard<std::mutex> lock(mutex);
            spare.push_back(std::move(batch.pixels));
        }
    }

    bool begin(os::Window* window)
    {
        begun = true;
        if (!grabber.start(window)) {
            failure = "no frame to read";
            return false;
        }
        const int width = grabber.width(), height = grabber.height();
        if (settings.target.kind == CaptureKind::Pictures) {
            if (!makeFolders(settings.target.path)) {
                failure = "cannot make the folder " + folderOf(settings.target.path);
                return false;
            }
            sink = std::make_unique<PictureSink>(settings.target.path, width, height);
        } else {
            auto video = std::make_unique<VideoSink>();
            if (!video->open(ffmpeg, settings, width, height, failure))
                return false;
            sink = std::move(video);
        }
        startTime = lastProgress = std::chrono::steady_clock::now();
        writer = std::thread([this] { writeLoop(); });
        return true;
    }

    // Hands `count` capture frames of the grabbed frame of this age to the writer.
    void handOver(int age, int64_t count)
    {
        if (count <= 0)
            return;
        Batch batch;
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return queue.size() < queueLimit || sinkFailed; });
            if (!spare.empty()) {
                batch.pixels = std::move(spare.back());
                spare.pop_back();
            }
        }
        if (!grabber.copy(age, batch.pixels)) {
            failure = "the frame could not be read back";
            failed = true;
            return;
        }
        batch.first = handedOver;
        batch.count = count;
        handedOver += count;
        {
            std::lock_guard<std::mutex> lock(mutex);
            queue.push_back(std::move(batch));
        }
        changed.notify_all();
    }

    // On a terminal the bar is redrawn in place four times a second; in a log, a line is
    // added at every tenth of the way.
    void showProgress(bool last)
    {
        if (settings.quiet)
            return;
        const auto now = std::chrono::steady_clock::now();
        const int64_t done = written;
        if (toTerminal) {
            if (!last && now - lastProgress < std::chrono::milliseconds(250))
                return;
        } else {
            const int64_t tenth = done * 10 / std::max<int64_t>(total, 1);
            if (!last && tenth <= lastTenth)
                return;
            lastTenth = tenth;
        }
        lastProgress = now;
        const double elapsed = std::chrono::duration<double>(now - startTime).count();
        std::fprintf(stderr, toTerminal ? "\r%-78s" : "%s\n", progressLine(done, total, elapsed).c_str());
        if (last && toTerminal)
            std::fputc('\n', stderr);
        std::fflush(stderr);
    }

    // Lets the writer finish what it has, then ends its thread.
    void stopWriter()
    {
        if (!writer.joinable())
            return;
        {
            std::lock_guard<std::mutex> lock(mutex);
            closing = true;
        }
        changed.notify_all();
        writer.join();
    }

    // Waits for the writer, then closes the sink.
    bool closeSink()
    {
        stopWriter();
        grabber.stop();
        if (!sink)
            return false;
        std::string error;
        const bool closed = sink->close(error);
        if (!closed)
            failure = failure.empty() ? error : failure + " (" + error + ")";
        return closed && !sinkFailed;
    }
};

Capture::Capture(std::unique_ptr<Internals> parts) : parts(std::move(parts)) {}

Capture::~Capture() { parts->stopWriter(); }

std::unique_ptr<Capture> Capture::prepare(const Settings& settings, std::string& error)
{
    auto parts = std::make_unique<Internals>();
    parts->settings = settings;
    if (!(settings.fps > 0) || settings.fps > 1000) {
        error = "the capture rate must be above 0 and at most 1000 frames per second";
        return nullptr;
    }
    if (settings.target.kind == CaptureKind::Video) {
        parts->ffmpeg = os::findExecutable("ffmpeg");
        if (parts->ffmpeg.empty()) {
            error = std::string("capturing a video needs ffmpeg, which is not installed.\n") +
                    os::howToInstallFfmpeg() + "\n(or capture PNG pictures instead: --capture FOLDER/)";
            return nullptr;
        }
        const std::string folder = folderOf(settings.target.path);
        if (!os::isWritableFolder(folder)) {
            error = "cannot write the video into \"" + folder + "\": no such folder, or it is not writable";
            return nullptr;
        }
        if (!settings.musicPath.empty() && !isReadableFile(settings.musicPath)) {
            std::fprintf(stderr, "talvoren: %s cannot be read: the video will have no sound\n",
                         settings.musicPath.c_str());
            parts->settings.musicPath.clear();
        }
    }
    parts->schedule = FrameSchedule(settings.fps);
    parts->total = std::max<int64_t>(1, parts->schedule.framesBefore(settings.endSeconds * 1000.0));
    return std::unique_ptr<Capture>(new Capture(std::move(parts)));
}

void Capture::frameShown(os::Window* window, int64_t demoMs)
{
    Internals& p = *parts;
    if (p.failed)
        return;
    if (!p.begun && !p.begin(window)) {
        p.failed = true;
        return;
    }
    // Start reading this frame, then hand over the one before it for the capture frames that
    // fall between the two.
    if (!p.grabber.grab()) {
        p.failure = "the frame could not be read back";
        p.failed = true;
        return;
    }
    if (p.framesShown++ > 0) {
        const int64_t due = std::min(p.schedule.framesBefore(double(demoMs)), p.total) - p.handedOver;
        p.handOver(1, due);
    }
    p.lastShownMs = demoMs;
    p.showProgress(false);
}

bool Capture::broken() const { return parts->failed || parts->sinkFailed; }

int Capture::finish()
{
    Internals& p = *parts;
    if (!p.begun) {
        std::fprintf(stderr, "talvoren: nothing was captured\n");
        return 1;
    }
    const bool stopped = interruptRequested();
    if (!p.failed && !p.sinkFailed) {
        // The last frame drawn stays on screen to the end (or, when stopped early, for the
        // capture frames up to the moment it was drawn).
        const int64_t upTo = stopped ? std::min(p.total, p.schedule.framesBefore(double(p.lastShownMs) + 1.0)) : p.total;
        p.handOver(0, upTo - p.handedOver);
    }
    const bool closed = p.closeSink();
    p.showProgress(true);
    const std::string& where = p.settings.target.path;
    if (!closed || p.failed) {
        std::fprintf(stderr, "talvoren: the capture to %s failed: %s\n", where.c_str(),
                     p.failure.empty() ? "unknown error" : p.failure.c_str());
        return 1;
    }
    if (stopped) {
        std::fprintf(stderr, "talvoren: capture stopped: %s holds the first %lld frames (%.2f s)\n", where.c_str(),
                     static_cast<long long>(p.written.load()), double(p.written.load()) / p.settings.fps);
        return 130;
    }
    return 0;
}
