// JPGImage and the decoder under it: pixel order, padding, grey-scale, and files that must fail.
#include "assets/jpg_image.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/ijl.h"
#include "tests/unit/picture_files.h"

using pictures::Rgb;

namespace {

constexpr int tolerance = 6; // quality 100 on flat 8x8 blocks is nearly exact

const Rgb red{255, 0, 0}, blue{0, 0, 255}, white{255, 255, 255}, grey{90, 90, 90};

// Flat blocks on 8-pixel boundaries: red left of blue on top, white left of grey below.
Rgb quadrants(int x, int y)
{
    if (y < 8)
        return x < 16 ? red : blue;
    return x < 16 ? white : grey;
}

std::string writeJpeg(const std::vector<uint8_t>& bytes)
{
    const std::string path = pictures::scratchPath("picture.jpg");
    pictures::writeFile(path, bytes);
    return path;
}

bool loadQuietly(JPGImage& image, const std::string& path)
{
    testing::internal::CaptureStdout();
    const bool loaded = image.load(path.c_str());
    testing::internal::GetCapturedStdout();
    return loaded;
}

void expectNear(const unsigned char* p, Rgb expected, const std::string& where)
{
    EXPECT_NEAR(p[0], expected.r, tolerance) << where;
    EXPECT_NEAR(p[1], expected.g, tolerance) << where;
    EXPECT_NEAR(p[2], expected.b, tolerance) << where;
}

const unsigned char* pixelAt(const JPGImage& image, int column, int row)
{
    return image.data + (size_t(row) * image.width + column) * 3;
}

} // namespace

TEST(JPGImage, RowsAreMirroredRedGreenBlueTopRowFirstAndTight)
{
    // 32 wide, and 27 wide: 81 bytes per row, which the decoder pads to 84 and the image not.
    for (int width : {32, 27}) {
        JPGImage image;
        ASSERT_TRUE(loadQuietly(image, writeJpeg(pictures::jpegBytes(width, 16, quadrants))));
        ASSERT_EQ(image.width, width);
        ASSERT_EQ(image.height, 16);
        for (int row = 0; row < 16; ++row) {
            const std::string where = "width " + std::to_string(width) + " row " + std::to_string(row);
            expectNear(pixelAt(image, width - 1, row), row < 8 ? red : white, where);
            expectNear(pixelAt(image, 0, row), row < 8 ? blue : grey, where);
        }
    }
}

TEST(JPGImage, GreyScaleBecomesThreeEqualChannels)
{
    auto ramp = [](int x, int y) { return Rgb(uint8_t(x * 8 + y), 0, 0); };
    JPGImage image;
    ASSERT_TRUE(loadQuietly(image, writeJpeg(pictures::jpegBytes(24, 8, ramp, 1))));
    for (int i = 0; i < image.width * image.height; ++i) {
        EXPECT_EQ(image.data[i * 3], image.data[i * 3 + 1]);
        EXPECT_EQ(image.data[i * 3], image.data[i * 3 + 2]);
    }
    EXPECT_GT(pixelAt(image, 0, 0)[0], pixelAt(image, 23, 0)[0] + 100); // mirrored ramp
}

TEST(JPGImage, BrokenMissingAndUnsupportedFilesFail)
{
    const std::vector<uint8_t> good = pictures::jpegBytes(64, 64, quadrants);
    std::vector<uint8_t> corrupt = good;
    std::fill(corrupt.begin() + 20, corrupt.begin() + 60, 0xFF); // the tables and the frame
    const std::vector<std::vector<uint8_t>> cases = {
        {},
        {'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8},
        std::vector<uint8_t>(good.begin(), good.begin() + long(good.size() / 2)),
        corrupt,
        pictures::jpegBytes(20000, 8, quadrants, 3, 50), // wider than any texture
        pictures::jpegBytes(16, 16, quadrants, 4),       // CMYK: refused, not miscoloured
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        JPGImage image;
        EXPECT_FALSE(loadQuietly(image, writeJpeg(cases[i]))) << "case " << i;
        EXPECT_EQ(image.data, nullptr) << "case " << i;
        EXPECT_EQ(image.width, 0) << "case " << i;
    }
    JPGImage image;
    EXPECT_FALSE(loadQuietly(image, pictures::scratchPath("missing.jpg")));
    EXPECT_TRUE(loadQuietly(image, writeJpeg(good))); // the record is reusable after a failure
}

TEST(IjlDecoder, FillsOnlyBuffersThatFitAndLeavesPaddingAlone)
{
    const std::string path = writeJpeg(pictures::jpegBytes(27, 16, quadrants));
    constexpr int strideBytes = 84;
    std::vector<unsigned char> buffer(strideBytes * 16, 0xAB);
    auto read = [&](auto adjust) {
        JPEG_CORE_PROPERTIES properties{};
        ijlInit(&properties);
        properties.JPGFile = path.c_str();
        EXPECT_EQ(ijlRead(&properties, IJL_JFILE_READPARAMS), IJL_OK);
        properties.DIBWidth = properties.JPGWidth;
        properties.DIBHeight = properties.JPGHeight;
        properties.DIBPadBytes = 3;
        properties.DIBBytes = buffer.data();
        adjust(properties);
        return ijlRead(&properties, IJL_JFILE_READWHOLEIMAGE);
    };
    EXPECT_EQ(read([](JPEG_CORE_PROPERTIES& p) { p.DIBWidth = 32; }), IJL_INVALID_JPEG_PROPERTIES);
    EXPECT_EQ(read([](JPEG_CORE_PROPERTIES& p) { p.DIBHeight = -16; }), IJL_INVALID_JPEG_PROPERTIES);
    EXPECT_EQ(read([](JPEG_CORE_PROPERTIES& p) { p.DIBChannels = 4; }), IJL_UNSUPPORTED_COLOR);
    EXPECT_EQ(read([](JPEG_CORE_PROPERTIES& p) { p.DIBBytes = nullptr; }), IJL_INVALID_PTR);
    EXPECT_EQ(read([](JPEG_CORE_PROPERTIES& p) { ijlFree(&p); }), IJL_NOT_INITIALIZED);
    for (unsigned char byte : buffer)
        ASSERT_EQ(byte, 0xAB) << "a refused read wrote into the buffer";

    ASSERT_EQ(read([](JPEG_CORE_PROPERTIES&) {}), IJL_OK);
    for (int row = 0; row < 16; ++row) {
        const unsigned char* first = &buffer[size_t(row) * strideBytes];
        expectNear(first, row < 8 ? Rgb(0, 0, 255) : white, "blue-green-red, top row first");
        for (int i = 81; i < strideBytes; ++i)
            EXPECT_EQ(first[i], 0xAB) << "padding of row " << row;
    }
}
