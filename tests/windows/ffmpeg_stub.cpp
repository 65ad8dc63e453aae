// A stand-in for ffmpeg.exe, for testing the capture's video path under Wine without an
// encoder: it checks that the arguments ask for raw RGBA frames of a size on standard input and
// name an output file, reads standard input to its end, and writes into the output file one
// line: "frames F bytes B size WxH rate R music M". Exit status 0, or 3 for arguments it does
// not understand.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <io.h>

int main(int argc, char** argv)
{
    std::string size, rate, format, pixelFormat, music = "none";
    int inputs = 0;
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "-video_size")
            size = argv[++i];
        else if (flag == "-framerate")
            rate = argv[++i];
        else if (flag == "-f")
            format = argv[++i];
        else if (flag == "-pix_fmt" && pixelFormat.empty())
            pixelFormat = argv[++i];
        else if (flag == "-i" && inputs++ == 1)
            music = argv[++i];
    }
    int width = 0, height = 0;
    if (argc < 2 || format != "rawvideo" || pixelFormat != "rgba" || rate.empty() ||
        std::sscanf(size.c_str(), "%dx%d", &width, &height) != 2 || width <= 0 || height <= 0) {
        std::fprintf(stderr, "ffmpeg stub: unexpected arguments\n");
        return 3;
    }
    _setmode(_fileno(stdin), _O_BINARY);
    long long bytes = 0;
    static char buffer[1 << 16];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;)
        bytes += (long long)got;
    const long long frameBytes = (long long)width * height * 4;
    FILE* out = std::fopen(argv[argc - 1], "w");
    if (!out)
        return 4;
    std::fprintf(out, "frames %lld bytes %lld size %dx%d rate %s music %s\n", bytes / frameBytes, bytes, width,
                 height, rate.c_str(), music.c_str());
    std::fclose(out);
    return 0;
}
