// The JPEG and PNG probes: the picture layers of platform/ on their own, through their
// portable interfaces only, so the same source runs over libjpeg and libpng on Linux and over
// WIC on Windows.
//
//   layer-probe jpeg FILE OUT.raw   reads FILE through ijl.h the way JPGImage::load does and
//                                   prints "result CODE WIDTH HEIGHT CHANNELS COLOR": CODE is
//                                   the first result that is not IJL_OK (0 when all were), the
//                                   rest is the record as the layer left it. When the picture
//                                   was read, OUT.raw gets its rows, top first, each width * 3
//                                   bytes of blue, green, red.
//   layer-probe png OUT.png         writes a fixed 37 x 23 test frame through os::writePng.
#include "tools/layer-probe/probes.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/ijl.h"
#include "platform/png_writer.h"

namespace {

constexpr int bytesPerPixel = 3;

// The PNG test frame: odd sizes, and no symmetry, so a flipped, mirrored or transposed file
// shows. Every channel, alpha too, varies.
constexpr int testFrameWidthPixels = 37;
constexpr int testFrameHeightPixels = 23;

// The test frame's pixel at column x and row y, y counted from the top: red grows to the
// right, green downwards, blue falls along both.
void testFramePixel(int x, int y, uint8_t* rgba)
{
    rgba[0] = uint8_t(7 * x);
    rgba[1] = uint8_t(11 * y);
    rgba[2] = uint8_t(255 - 5 * x - 3 * y);
    rgba[3] = uint8_t(5 * x + 3 * y);
}

bool writeRaw(const char* path, const unsigned char* bytes, size_t sizeBytes)
{
    FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes, 1, sizeBytes, file) == sizeBytes;
    return std::fclose(file) == 0 && written;
}

} // namespace

int probeJpeg(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: layer-probe jpeg FILE OUT.raw\n");
        return 2;
    }
    const char* rawPath = argv[2];
    std::remove(rawPath); // a picture from an earlier run must not pass for this one's

    JPEG_CORE_PROPERTIES properties;
    std::memset(&properties, 0, sizeof properties);
    int code = ijlInit(&properties);
    if (code == IJL_OK) {
        properties.JPGFile = argv[1];
        code = ijlRead(&properties, IJL_JFILE_READPARAMS);
    }
    std::unique_ptr<unsigned char[]> pixels;
    size_t pictureBytes = 0;
    if (code == IJL_OK) {
        properties.DIBChannels = bytesPerPixel;
        properties.DIBWidth = properties.JPGWidth;
        properties.DIBHeight = properties.JPGHeight;
        properties.DIBPadBytes = 0;
        properties.DIBColor = IJL_BGR;
        // The layer has checked the size against its limits; this only keeps the probe safe
        // from a layer that did not.
        const long long bytes = static_cast<long long>(properties.DIBWidth) * properties.DIBHeight * bytesPerPixel;
        if (properties.DIBWidth <= 0 || properties.DIBHeight <= 0 || bytes > ijlMaxPictureBytes) {
            std::fprintf(stderr, "layer-probe: the layer accepted a %d x %d picture\n",
                         properties.DIBWidth, properties.DIBHeight);
            return 1;
        }
        pictureBytes = size_t(bytes);
        pixels.reset(new (std::nothrow) unsigned char[pictureBytes]);
        if (!pixels) {
            std::fprintf(stderr, "layer-probe: no memory for the picture\n");
            return 1;
        }
        properties.DIBBytes = pixels.get();
        code = ijlRead(&properties, IJL_JFILE_READWHOLEIMAGE);
        properties.DIBBytes = nullptr;
    }
    ijlFree(&properties);

    std::printf("result %d %d %d %d %d\n", code, properties.JPGWidth, properties.JPGHeight,
                properties.JPGChannels, properties.JPGColor);
    std::fflush(stdout);
    if (code == IJL_OK && !writeRaw(rawPath, pixels.get(), pictureBytes)) {
        std::fprintf(stderr, "layer-probe: cannot write %s\n", rawPath);
        return 1;
    }
    return 0;
}

int probePng(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: layer-probe png OUT.png\n");
        return 2;
    }
    // Bottom row first, as OpenGL reads a frame.
    std::vector<uint8_t> rgba(size_t(testFrameWidthPixels) * testFrameHeightPixels * 4);
    for (int y = 0; y < testFrameHeightPixels; ++y) {
        const size_t row = size_t(testFrameHeightPixels - 1 - y);
        for (int x = 0; x < testFrameWidthPixels; ++x)
            testFramePixel(x, y, &rgba[(row * testFrameWidthPixels + size_t(x)) * 4]);
    }
    std::string error;
    if (!os::writePng(argv[1], rgba, testFrameWidthPixels, testFrameHeightPixels, error)) {
        std::fprintf(stderr, "layer-probe: %s\n", error.c_str());
        return 1;
    }
    std::printf("png %d %d\n", testFrameWidthPixels, testFrameHeightPixels);
    return 0;
}
