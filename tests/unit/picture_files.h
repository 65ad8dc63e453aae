// Test pictures written in code: a small BMP writer (with switches for the header fields the
// reader checks) and a JPEG writer, plus a scratch folder for the files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/recorded_inputs.h"

namespace pictures {

struct Rgb {
    uint8_t r, g, b;
    Rgb(uint8_t red, uint8_t green, uint8_t blue) : r(red), g(green), b(blue) {}
    bool operator==(const Rgb&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Rgb& c)
{
    return out << '(' << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ')';
}

using PixelFunction = std::function<Rgb(int x, int y)>; // y counts from the picture's top

inline std::string scratchPath(const std::string& name)
{
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string prefix = test ? std::string(test->test_suite_name()) + "_" + test->name() + "_" : "";
    return ::testing::TempDir() + "talvoren_" + prefix + name;
}

inline void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    // An empty vector's data() may be null, which fwrite must not be given even for 0 bytes.
    if (!bytes.empty()) {
        EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size()) << path;
    }
    std::fclose(file);
}

inline std::vector<uint8_t> readFile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        int byte;
        while ((byte = std::fgetc(file)) != EOF)
            bytes.push_back(uint8_t(byte));
        std::fclose(file);
    }
    return bytes;
}

struct BmpOptions {
    uint16_t planes = 1;
    uint16_t bitsPerPixel = 24;
    uint32_t compression = 0;
    std::optional<int32_t> storedWidth;  // written instead of the real width when set
    std::optional<int32_t> storedHeight; // written instead of the real height when set
};

// A bottom-up BMP file with rows padded to four bytes; `pixel` is asked with top-down y.
inline std::vector<uint8_t> bmpBytes(int width, int height, const PixelFunction& pixel,
                                     const BmpOptions& options = {})
{
    const int strideBytes = (width * 3 + 3) / 4 * 4;
    std::vector<uint8_t> bytes;
    auto put16 = [&](uint32_t v) { bytes.push_back(uint8_t(v)); bytes.push_back(uint8_t(v >> 8)); };
    auto put32 = [&](uint32_t v) { put16(v & 0xFFFF); put16(v >> 16); };
    bytes.push_back('B');
    bytes.push_back('M');
    put32(uint32_t(54 + strideBytes * height));
    put32(0);
    put32(54);
    put32(40);
    put32(uint32_t(options.storedWidth.value_or(width)));
    put32(uint32_t(options.storedHeight.value_or(height)));
    put16(options.planes);
    put16(options.bitsPerPixel);
    put32(options.compression);
    put32(uint32_t(strideBytes * height));
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    for (int fileRow = 0; fileRow < height; ++fileRow) {
        const int y = height - 1 - fileRow;
        for (int x = 0; x < width; ++x) {
            const Rgb c = pixel(x, y);
            bytes.insert(bytes.end(), {c.b, c.g, c.r});
        }
        bytes.resize(bytes.size() + size_t(strideBytes - width * 3), 0);
    }
    return bytes;
}

// A JPEG file of 1 (grey, from the red channel), 3 (no chroma subsampling, so colour edges stay
// sharp) or 4 (CMYK, from r, g, b and 0) components. Encoded with libjpeg where the tests are
// built with it (tests/support/jpeg_encoder.cpp); the Windows tests read the very same bytes
// from the fixtures the Linux build recorded (tests/windows/recorded_inputs.cpp).
std::vector<uint8_t> jpegBytes(int width, int height, const PixelFunction& pixel, int components = 3,
                               int quality = 100);

// The name under which that picture is recorded for the Windows tests.
inline std::string jpegFixtureName(int width, int height, const PixelFunction& pixel, int components, int quality)
{
    recorded::Fnv pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb c = pixel(x, y);
            pixels.add(uint64_t(c.r) | uint64_t(c.g) << 8 | uint64_t(c.b) << 16);
        }
    return recorded::jpegName(width, height, components, quality, pixels);
}

} // namespace pictures
