// waveform MUSIC.mp3 OUT.png: draws the music's envelope (peak and RMS per column, one column
// per 100 ms) as decoded by the demo's own decoder, with every beat event of the timetable as
// a red tick above it and every scene event as a blue line through it, so the drums and the
// timetable can be compared by eye without listening.
#include "director/timetable.h"
#include "platform/mp3_decode.h"
#include "platform/png_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int msPerColumn = 100;
constexpr int rowHeight = 200;  // envelope height of one row
constexpr int columnsPerRow = 600; // one minute per row
constexpr int tickHeight = 14;

struct Picture {
    int width, height;
    std::vector<uint8_t> rgba; // top row first while drawing
    void set(int x, int y, uint8_t r, uint8_t g, uint8_t b)
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return;
        uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = 255;
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: waveform MUSIC.mp3 OUT.png\n"
                             "Draws the music's envelope with the timetable's beat and scene times marked.\n");
        return argc == 2 && std::string(argv[1]) == "--help" ? 0 : 2;
    }
    long rate = 0;
    int channels = 0;
    const std::vector<int16_t> samples = os::decodeMp3File(argv[1], rate, channels);
    if (samples.empty() || rate <= 0 || channels <= 0) {
        std::fprintf(stderr, "waveform: cannot decode %s\n", argv[1]);
        return 1;
    }
    const size_t frames = samples.size() / size_t(channels);
    const int totalMs = int(frames * 1000 / size_t(rate));
    const int columns = totalMs / msPerColumn + 1;
    const int rows = (columns + columnsPerRow - 1) / columnsPerRow;
    const int rowPitch = rowHeight + tickHeight + 8;
    Picture picture{columnsPerRow, rows * rowPitch, {}};
    picture.rgba.assign(size_t(picture.width) * picture.height * 4, 0);
    for (size_t i = 3; i < picture.rgba.size(); i += 4)
        picture.rgba[i] = 255;

    auto place = [&](int ms, int& x, int& top) {
        const int column = ms / msPerColumn;
        x = column % columnsPerRow;
        top = (column / columnsPerRow) * rowPitch;
    };
    // Second marks every 10 s, so times can be read off.
    for (int ms = 0; ms < totalMs; ms += 10000) {
        int x, top;
        place(ms, x, top);
        for (int y = 0; y < rowPitch - 4; ++y)
            picture.set(x, top + y, 50, 50, 50);
    }
    for (int column = 0; column < columns; ++column) {
        const size_t begin = size_t(column) * msPerColumn * size_t(rate) / 1000;
        const size_t end = std::min(frames, size_t(column + 1) * msPerColumn * size_t(rate) / 1000);
        double peak = 0, sum = 0;
        for (size_t f = begin; f < end; ++f)
            for (int c = 0; c < channels; ++c) {
                const double v = std::fabs(samples[f * size_t(channels) + size_t(c)] / 32768.0);
                peak = std::max(peak, v);
                sum += v * v;
            }
        const double rms = end > begin ? std::sqrt(sum / double((end - begin) * size_t(channels))) : 0.0;
        int x, top;
        place(column * msPerColumn, x, top);
        const int base = top + tickHeight + rowHeight;
        for (int y = 0; y < int(peak * rowHeight); ++y)
            picture.set(x, base - y, 90, 110, 90);
        for (int y = 0; y < int(rms * rowHeight); ++y)
            picture.set(x, base - y, 170, 230, 170);
    }
    for (const timetable::TimedEvent& beat : timetable::beatEvents()) {
        int x, top;
        place(beat.timeMs, x, top);
        for (int y = 0; y < tickHeight - 2; ++y)
            picture.set(x, top + y, 255, 60, 60);
    }
    for (const timetable::TimedEvent& scene : timetable::sceneEvents()) {
        int x, top;
        place(scene.timeMs, x, top);
        for (int y = tickHeight; y < tickHeight + rowHeight; y += 2)
            picture.set(x, top + y, 80, 120, 255);
    }
    std::vector<uint8_t> bottomFirst(picture.rgba.size());
    const size_t rowBytes = size_t(picture.width) * 4;
    for (int y = 0; y < picture.height; ++y)
        std::copy_n(&picture.rgba[size_t(y) * rowBytes], rowBytes,
                    &bottomFirst[size_t(picture.height - 1 - y) * rowBytes]);
    std::string error;
    if (!os::writePng(argv[2], bottomFirst, picture.width, picture.height, error)) {
        std::fprintf(stderr, "waveform: cannot write %s: %s\n", argv[2], error.c_str());
        return 1;
    }
    std::fprintf(stderr, "waveform: %.1f s at %ld Hz, %d channels -> %s\n", totalMs / 1000.0, rate, channels, argv[2]);
    return 0;
}
