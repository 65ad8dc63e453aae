// The JPEG image; see jpg_image.h.
#include "assets/jpg_image.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "app/log.h"
#include "platform/os.h"

namespace {

constexpr int bytesPerPixel = 3;

void showAllocationFailure()
{
    os::messageBox("malloc error JPGImage, load", "MALLOC ERROR", os::MB_OK | os::MB_ICONINFORMATION);
}

void reportDecoderError(const char* path, int code)
{
    std::printf("Error reading image data from %s: %s.\n", path, ijlErrorStr(code));
}

} // namespace

JPGImage::JPGImage() { std::memset(&properties, 0, sizeof properties); }

JPGImage::~JPGImage()
{
    delete[] data;
    ijlFree(&properties);
}

bool JPGImage::load(const char* path)
{
    delete[] data;
    data = nullptr;
    width = height = 0;
    if (!path)
        return false;
    if (logger)
        logger->printItem("JPGImage::load() -- file: %s", path);

    ijlFree(&properties);
    std::memset(&properties, 0, sizeof properties);
    int code = ijlInit(&properties);
    if (code == IJL_OK) {
        properties.JPGFile = path;
        code = ijlRead(&properties, IJL_JFILE_READPARAMS);
    }
    if (code != IJL_OK) {
        reportDecoderError(path, code);
        return false;
    }

    switch (properties.JPGChannels) {
    case 1: properties.JPGColor = IJL_G; break;
    case 3: properties.JPGColor = IJL_YCBCR; break;
    default:
        properties.JPGColor = IJL_OTHER;
        properties.DIBColor = IJL_OTHER;
        break;
    }
    properties.DIBChannels = bytesPerPixel;
    properties.DIBWidth = properties.JPGWidth;
    properties.DIBHeight = properties.JPGHeight;
    const size_t rowBytes = size_t(properties.DIBWidth) * bytesPerPixel;
    const size_t strideBytes = (rowBytes + 3) / 4 * 4;
    properties.DIBPadBytes = int(strideBytes - rowBytes);

    // ijlRead has checked the size against its limits, so these products cannot overflow.
    std::unique_ptr<unsigned char[]> decoded(
        new (std::nothrow) unsigned char[strideBytes * size_t(properties.DIBHeight)]);
    if (!decoded) {
        showAllocationFailure();
        return false;
    }
    properties.DIBBytes = decoded.get();
    code = ijlRead(&properties, IJL_JFILE_READWHOLEIMAGE);
    properties.DIBBytes = nullptr; // the buffer dies with this call
    if (code != IJL_OK) {
        reportDecoderError(path, code);
        return false;
    }

    std::unique_ptr<unsigned char[]> pixels(
        new (std::nothrow) unsigned char[rowBytes * size_t(properties.DIBHeight)]);
    if (!pixels) {
        showAllocationFailure();
        return false;
    }
    // Each decoded row, padding left behind, copied byte-reversed: blue-green-red becomes
    // red-green-blue and the row is mirrored.
    for (size_t row = 0; row < size_t(properties.DIBHeight); ++row) {
        const unsigned char* source = &decoded[row * strideBytes];
        unsigned char* rowEnd = &pixels[(row + 1) * rowBytes - 1];
        for (size_t j = 0; j < rowBytes; ++j)
            rowEnd[-std::ptrdiff_t(j)] = source[j];
    }

    width = properties.DIBWidth;
    height = properties.DIBHeight;
    data = pixels.release();
    return true;
}
