// The BMP reader; see bmp_image.h.
#include "assets/bmp_image.h"

#include <memory>
#include <new>
#include <utility>

#include "app/log.h"
#include "platform/files.h"

namespace {

constexpr long headerBeforeWidthBytes = 18; // file header and the information header's size
constexpr long pixelDataOffset = 54;        // where the reader takes the pixels to begin
constexpr int bytesPerPixel = 3;

// Sizes beyond these come from a broken or hostile file; refusing them keeps a few header
// bytes from asking for gigabytes. 16384 is the largest texture side drivers offer.
constexpr int32_t maxSidePixels = 16384;
constexpr long long maxPictureBytes = 1LL << 28;

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// Bytes from the current position to the end of the file, or -1 when the file cannot seek.
long long bytesLeft(FILE* file)
{
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    const long end = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0 || end < here)
        return -1;
    return end - here;
}

} // namespace

BMPImage::~BMPImage() { delete[] data; }

int32_t BMPImage::readInt(FILE* file)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const int byte = std::fgetc(file);
        value |= uint32_t(byte == EOF ? 0 : byte) << (8 * i);
    }
    return int32_t(value);
}

uint16_t BMPImage::readShort(FILE* file)
{
    uint32_t value = 0;
    for (int i = 0; i < 2; ++i) {
        const int byte = std::fgetc(file);
        value |= uint32_t(byte == EOF ? 0 : byte) << (8 * i);
    }
    return uint16_t(value);
}

bool BMPImage::load(const char* path)
{
    delete[] data;
    data = nullptr;
    width = height = 0;
    if (!path)
        return false;
    if (logger)
        logger->printItem("BMPImage::load() -- file: %s", path);

    File file(os::openFile(path, "rb"));
    if (!file) {
        std::printf("File Not Found : %s\n", path);
        return false;
    }

    std::fseek(file.get(), headerBeforeWidthBytes, SEEK_SET);
    const int32_t fileWidth = readInt(file.get());
    std::printf("Width of %s: %d\n", path, fileWidth);
    const int32_t fileHeight = readInt(file.get());
    std::printf("Height of %s: %d\n", path, fileHeight);

    const unsigned planes = readShort(file.get());
    if (planes != 1) {
        std::printf("Planes from %s is not 1: %u\n", path, planes);
        return false;
    }
    const unsigned bitsPerPixel = readShort(file.get());
    if (bitsPerPixel != 24) {
        std::printf("Bpp from %s is not 24: %u\n", path, bitsPerPixel);
        return false;
    }
    // Compressed 24-bit files (bit fields, embedded JPEG or PNG) hold no plain pixel rows.
    const unsigned compression = uint32_t(readInt(file.get()));
    if (compression != 0) {
        std::printf("Compression from %s is not 0: %u\n", path, compression);
        return false;
    }

    // Validate the sizes before multiplying or allocating: a negative height (a top-down file)
    // is refused like any other bad size, and so is a file too short for the rows it claims.
    // The last row's padding is not required, as some writers leave it out.
    const long long rowBytes = (long long)fileWidth * bytesPerPixel;
    const long long strideBytes = (rowBytes + 3) / 4 * 4;
    const bool sizeValid = fileWidth > 0 && fileHeight > 0 && fileWidth <= maxSidePixels &&
                           fileHeight <= maxSidePixels && rowBytes * fileHeight <= maxPictureBytes;
    std::fseek(file.get(), pixelDataOffset, SEEK_SET);
    const long long available = bytesLeft(file.get());
    if (!sizeValid ||
        (available >= 0 && available < strideBytes * (fileHeight - 1) + rowBytes)) {
        std::printf("Error reading image data from %s.\n", path);
        return false;
    }

    std::unique_ptr<unsigned char[]> pixels(new (std::nothrow) unsigned char[rowBytes * fileHeight]);
    bool complete = pixels != nullptr;
    unsigned char padding[3];
    for (int32_t row = 0; complete && row < fileHeight; ++row) {
        complete = std::fread(&pixels[row * rowBytes], 1, rowBytes, file.get()) == size_t(rowBytes);
        if (complete && row + 1 < fileHeight)
            complete = std::fread(padding, 1, strideBytes - rowBytes, file.get()) ==
                       size_t(strideBytes - rowBytes);
    }
    if (!complete) {
        std::printf("Error reading image data from %s.\n", path);
        return false;
    }

    // The file stores blue, green, red; the buffer holds red, green, blue.
    for (long long i = 0; i < rowBytes * fileHeight; i += bytesPerPixel)
        std::swap(pixels[i], pixels[i + 2]);

    width = fileWidth;
    height = fileHeight;
    data = pixels.release();
    return true;
}
