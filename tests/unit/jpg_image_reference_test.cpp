// JPGImage against libjpeg itself on files made by other tools: the picture the reference decoder
// gives, mirrored as the loader mirrors every row. (The Windows build compares its decoder with
// this one through the layer probe instead.)
#include "assets/jpg_image.h"
#include "tests/unit/picture_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

bool loadQuietly(JPGImage& image, const std::string& path)
{
    testing::internal::CaptureStdout();
    const bool loaded = image.load(path.c_str());
    testing::internal::GetCapturedStdout();
    return loaded;
}

const unsigned char* pixelAt(const JPGImage& image, int column, int row)
{
    return image.data + (size_t(row) * image.width + column) * 3;
}

} // namespace

// Files made by other tools, when the shared test files are there.
namespace {

std::string sharedFile(const char* relative)
{
    const std::string path = std::string(TALVOREN_TESTDATA) + "/" + relative;
    return pictures::readFile(path).empty() ? std::string() : path;
}

// The reference: libjpeg straight into red-green-blue rows, top row first.
std::vector<uint8_t> referenceDecode(const std::string& path)
{
    const std::vector<uint8_t> bytes = pictures::readFile(path);
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), bytes.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    std::vector<uint8_t> rgb(size_t(info.output_width) * info.output_height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = &rgb[size_t(info.output_scanline) * info.output_width * 3];
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return rgb;
}

} // namespace

TEST(JPGImageThirdParty, RealFilesLoadAsTheReferenceDecodesThemMirrored)
{
    const std::string oddWidth = sharedFile("jpeg/testimgint.jpg");
    if (oddWidth.empty())
        GTEST_SKIP() << "shared test files not found";
    JPGImage image;
    ASSERT_TRUE(loadQuietly(image, oddWidth));
    ASSERT_EQ(image.width, 227);
    ASSERT_EQ(image.height, 149);
    const std::vector<uint8_t> reference = referenceDecode(oddWidth);
    int mismatches = 0;
    for (int row = 0; row < 149; ++row)
        for (int x = 0; x < 227; ++x)
            for (int c = 0; c < 3; ++c)
                mismatches += pixelAt(image, 226 - x, row)[c] != reference[(size_t(row) * 227 + x) * 3 + c];
    EXPECT_EQ(mismatches, 0);

    ASSERT_TRUE(loadQuietly(image, sharedFile("3ds/CWALL02.jpg")));
    EXPECT_EQ(image.width, 800);
    EXPECT_EQ(image.height, 446);

    ASSERT_TRUE(loadQuietly(image, sharedFile("jpeg/hopper_gray.jpg")));
    for (int i = 0; i < image.width * image.height; i += 97)
        EXPECT_TRUE(image.data[i * 3] == image.data[i * 3 + 1] && image.data[i * 3] == image.data[i * 3 + 2]);

    EXPECT_FALSE(loadQuietly(image, sharedFile("jpeg/truncated_jpeg.jpg")));
}
