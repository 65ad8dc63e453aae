// BMPImage: what a 24-bit file becomes, and the files it must refuse without harm.
#include "assets/bmp_image.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/unit/picture_files.h"

using pictures::Rgb;

namespace {

// Loads with standard output captured; returns what load wrote there.
std::string load(BMPImage& image, const std::string& path, bool expectLoaded)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(image.load(path.c_str()), expectLoaded) << path;
    return testing::internal::GetCapturedStdout();
}

std::string writeBmp(const std::vector<uint8_t>& bytes)
{
    const std::string path = pictures::scratchPath("picture.bmp");
    pictures::writeFile(path, bytes);
    return path;
}

// Every pixel different, so a wrong row, column or channel order shows.
Rgb gradient(int x, int y) { return {uint8_t(x), uint8_t(y), uint8_t(x * 7 + y * 3)}; }

void expectPixel(const BMPImage& image, int column, int dataRow, Rgb expected)
{
    const unsigned char* p = image.data + (size_t(dataRow) * image.width + column) * 3;
    EXPECT_EQ(Rgb(p[0], p[1], p[2]), expected) << "column " << column << " row " << dataRow;
}

// Writes the bytes, expects a refusal whose line reads "<prefix> <path><suffix>".
void expectRefused(const std::vector<uint8_t>& bytes, const std::string& prefix,
                   const std::string& suffix = ".\n")
{
    const std::string path = writeBmp(bytes);
    BMPImage image;
    const std::string output = load(image, path, false);
    EXPECT_EQ(image.data, nullptr);
    EXPECT_NE(output.find(prefix + " " + path + suffix), std::string::npos) << output;
}

} // namespace

TEST(BMPImage, SquarePictureStartsWithBottomLeftPixelRedFirst)
{
    const std::string path = writeBmp(pictures::bmpBytes(256, 256, gradient));
    BMPImage image;
    const std::string output = load(image, path, true);
    EXPECT_EQ(output, "Width of " + path + ": 256\nHeight of " + path + ": 256\n");
    ASSERT_EQ(image.width, 256);
    ASSERT_EQ(image.height, 256);
    expectPixel(image, 0, 0, gradient(0, 255));     // bytes 0..2: the file's bottom-left pixel
    expectPixel(image, 255, 255, gradient(255, 0)); // bytes 196605..196607: top-right
    expectPixel(image, 100, 30, gradient(100, 225));
}

TEST(BMPImage, PaddedRowsComeOutTight)
{
    // 127 * 3 = 381 bytes per row, padded to 384 in the file.
    BMPImage image;
    load(image, writeBmp(pictures::bmpBytes(127, 5, gradient)), true);
    for (int dataRow = 0; dataRow < 5; ++dataRow)
        for (int column : {0, 1, 63, 126})
            expectPixel(image, column, dataRow, gradient(column, 4 - dataRow));
}

TEST(BMPImage, RefusesFilesThatAreNotPlain24Bit)
{
    pictures::BmpOptions options;
    options.bitsPerPixel = 32;
    expectRefused(pictures::bmpBytes(8, 8, gradient, options), "Bpp from", " is not 24: 32\n");
    options = {};
    options.planes = 2;
    expectRefused(pictures::bmpBytes(8, 8, gradient, options), "Planes from", " is not 1: 2\n");
    options = {};
    options.compression = 3; // bit fields
    expectRefused(pictures::bmpBytes(8, 8, gradient, options), "Compression from", " is not 0: 3\n");
}

TEST(BMPImage, ShortFilesAndBadSizesFailWithReadError)
{
    std::vector<uint8_t> bytes = pictures::bmpBytes(16, 16, gradient);
    bytes.resize(bytes.size() - 100); // ends inside the pixel rows
    expectRefused(bytes, "Error reading image data from");
    bytes.resize(40); // ends inside the header, after the bit count
    expectRefused(bytes, "Error reading image data from");
    expectRefused({}, "Planes from", " is not 1: 0\n"); // every missing field reads as zero

    // Negative (top-down), zero, overflowing and huge sizes; none may be allocated.
    const int32_t sizes[][2] = {{-16, 16}, {16, -16}, {0, 16}, {16, 0},
                                {0x7FFFFFFF, 0x7FFFFFFF}, {100000, 2}, {16384, 16384}};
    for (const auto& size : sizes) {
        pictures::BmpOptions options;
        options.storedWidth = size[0];
        options.storedHeight = size[1];
        SCOPED_TRACE(std::to_string(size[0]) + " x " + std::to_string(size[1]));
        expectRefused(pictures::bmpBytes(16, 16, gradient, options), "Error reading image data from");
    }
}

TEST(BMPImage, MissingFileIsReportedAndClearsThePicture)
{
    BMPImage image;
    load(image, writeBmp(pictures::bmpBytes(4, 4, gradient)), true);
    const std::string path = pictures::scratchPath("does_not_exist.bmp");
    EXPECT_EQ(load(image, path, false), "File Not Found : " + path + "\n");
    EXPECT_EQ(image.data, nullptr);
    EXPECT_EQ(image.width, 0);
}

TEST(BMPImageThirdParty, PaddedFileMatchesItsBytesOtherKindsAreRefused)
{
    const std::string folder = std::string(TALVOREN_TESTDATA) + "/bmp/";
    const std::vector<uint8_t> bytes = pictures::readFile(folder + "rgb24.bmp");
    if (bytes.empty())
        GTEST_SKIP() << "shared test files not found";
    BMPImage image;
    load(image, folder + "rgb24.bmp", true);
    ASSERT_EQ(image.width, 127);
    ASSERT_EQ(image.height, 64);
    constexpr size_t strideBytes = 384, pixelOffset = 54;
    for (int row = 0; row < 64; ++row)
        for (int column : {0, 64, 126}) {
            const uint8_t* bgr = &bytes[pixelOffset + row * strideBytes + column * 3];
            expectPixel(image, column, row, {bgr[2], bgr[1], bgr[0]});
        }

    EXPECT_NE(load(image, folder + "pal8.bmp", false).find("is not 24: 8\n"), std::string::npos);
    load(image, folder + "badbitcount.bmp", false);
    load(image, folder + "shortfile.bmp", false);
}
