// The JPEG inputs of the Windows tests, written with libjpeg on Linux.
//
// Every picture and broken file that the Linux tests make in code, under a name that says
// what it is, and beside them a few that only the Windows layer needs: its own reader of the
// markers must come to the same answer as libjpeg's on damaged and unusual headers, and its
// decoder must agree on progressive, subsampled, restart-marked and RGB-coded files.
//
// jpeg-cases.txt lists each file with what the Linux layer (ijl.h over libjpeg) answers when
// read the way JPGImage::load reads it, one line per file:
//   NAME CODE WIDTH HEIGHT CHANNELS COLOR  # what the file is
// CODE is the first result that is not IJL_OK, or 0; the rest is the record afterwards.
#include "tests/windows/fixtures.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "platform/ijl.h"
#include "tests/unit/picture_files.h"

namespace {

using pictures::PixelFunction;
using pictures::Rgb;
using Bytes = std::vector<uint8_t>;

// The pictures of the Linux tests, each from the test that makes it.

// jpg_image_test: red left of blue on top, white left of grey below, on 8-pixel blocks.
Rgb quadrants(int x, int y)
{
    if (y < 8)
        return x < 16 ? Rgb(255, 0, 0) : Rgb(0, 0, 255);
    return x < 16 ? Rgb(255, 255, 255) : Rgb(90, 90, 90);
}

// jpg_image_test's grey ramp (written with one channel, from red).
Rgb greyRamp(int x, int y) { return {uint8_t(x * 8 + y), 0, 0}; }

// image_fluid_test: red, green, blue and white quarters.
Rgb fluidQuarters(int x, int y)
{
    if (y < 50)
        return x < 100 ? Rgb(255, 0, 0) : Rgb(0, 255, 0);
    return x < 100 ? Rgb(0, 0, 255) : Rgb(255, 255, 255);
}

// image_fluid_test's wrongly sized pictures: orange where the picture pours, blue elsewhere.
PixelFunction fluidOddSize(int width, int height)
{
    const int columns = width < 200 ? width : 200, rows = height < 100 ? height : 100;
    return [=](int x, int y) { return x >= width - columns && y < rows ? Rgb(240, 120, 0) : Rgb(0, 0, 240); };
}

// scroller_test: one red tile top right on green.
Rgb fontTiles(int x, int y) { return x >= 138 - 34 && y < 33 ? Rgb(250, 10, 10) : Rgb(10, 250, 10); }

// scroller_gl_test: 32-pixel glyph tiles, the first three lit in halves, the rest flat.
Rgb fontGlyphs(int x, int y)
{
    constexpr int tileSize = 32;
    const int glyph = 4 * (y / tileSize) + x / tileSize;
    const int lx = x % tileSize, ly = y % tileSize;
    const Rgb white(255, 255, 255), black(0, 0, 0);
    switch (glyph) {
    case 0: return lx < tileSize / 2 ? white : black;
    case 1: return ly < tileSize / 2 ? white : black;
    case 2: return white;
    default: return {uint8_t(40 + 6 * glyph), uint8_t(250 - 7 * glyph), uint8_t(glyph * 37 % 200)};
    }
}

// utility_test's gradient.
Rgb gradient(int x, int y) { return {uint8_t(x * 2), uint8_t(y * 5), uint8_t(255 - x)}; }

PixelFunction flat(Rgb colour)
{
    return [colour](int, int) { return colour; };
}

// A picture with detail everywhere, for the formats the tests do not cover.
Rgb texture(int x, int y) { return {uint8_t(x * 3 + y), uint8_t(y * 4), uint8_t((x * y) & 255)}; }

// A soft-edged disc on a gradient: colour that changes over many pixels, as in photographs.
// Decoders may bring subsampled colour back to full size in different ways, and agree on
// pictures like this one where they would not on pixel-sized colour detail.
Rgb softDisc(int x, int y)
{
    const int dx = x - 40, dy = y - 30;
    const int disc = dx * dx + dy * dy < 400 ? 400 - dx * dx - dy * dy : 0; // 0..400
    return {uint8_t(50 + x + disc / 5), uint8_t(40 + 2 * y), uint8_t(220 - x - disc / 5)};
}

// libjpeg with the switches the extra formats need; without them it writes what
// pictures::jpegBytes writes.
struct WriterOptions {
    int components = 3;
    int quality = 100;
    bool fullChroma = true;               // no chroma subsampling
    bool progressive = false;
    J_COLOR_SPACE fileSpace = JCS_UNKNOWN; // JCS_UNKNOWN: libjpeg's default for the input
    bool adobeMarker = true;               // when fileSpace asks for one
    int restartRows = 0;
    std::vector<jpeg_scan_info> scans;     // a scan script of its own, when not empty
    Bytes app1;                            // an APP1 segment's contents, when not empty
};

Bytes jpegWith(int width, int height, const PixelFunction& pixel, const WriterOptions& options)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = options.components;
    switch (options.components) {
    case 1: info.in_color_space = JCS_GRAYSCALE; break;
    case 3: info.in_color_space = JCS_RGB; break;
    case 4: info.in_color_space = JCS_CMYK; break;
    default: info.in_color_space = JCS_UNKNOWN; break;
    }
    jpeg_set_defaults(&info);
    if (options.fileSpace != JCS_UNKNOWN)
        jpeg_set_colorspace(&info, options.fileSpace);
    info.write_Adobe_marker = info.write_Adobe_marker && options.adobeMarker;
    jpeg_set_quality(&info, options.quality, TRUE);
    if (options.fullChroma) {
        for (int c = 0; c < info.num_components; ++c)
            info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    }
    if (options.progressive)
        jpeg_simple_progression(&info);
    if (!options.scans.empty()) {
        info.scan_info = options.scans.data();
        info.num_scans = int(options.scans.size());
    }
    info.restart_in_rows = options.restartRows;
    jpeg_start_compress(&info, TRUE);
    if (!options.app1.empty())
        jpeg_write_marker(&info, JPEG_APP0 + 1, options.app1.data(), unsigned(options.app1.size()));
    std::vector<uint8_t> row(size_t(width) * size_t(options.components));
    while (info.next_scanline < info.image_height) {
        const int y = int(info.next_scanline);
        for (int x = 0; x < width; ++x) {
            const Rgb c = pixel(x, y);
            const uint8_t values[4] = {c.r, c.g, c.b, uint8_t(x * 4)};
            for (int k = 0; k < options.components; ++k)
                row[size_t(x) * size_t(options.components) + size_t(k)] = values[k];
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    Bytes bytes(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return bytes;
}

// The most scans a one-channel picture can have: the DC coefficients and each of the 63 AC
// coefficients on its own, each first with 10 bits left out and then refined bit by bit.
// That is past the 500 scans a decoder accepts.
std::vector<jpeg_scan_info> everyBitAScan()
{
    constexpr int firstShiftBits = 10;
    std::vector<jpeg_scan_info> scans;
    for (int coefficient = 0; coefficient < 64; ++coefficient) {
        for (int shift = firstShiftBits; shift >= 0; --shift) {
            jpeg_scan_info scan = {};
            scan.comps_in_scan = 1;
            scan.component_index[0] = 0;
            scan.Ss = scan.Se = coefficient;
            scan.Ah = shift == firstShiftBits ? 0 : shift + 1;
            scan.Al = shift;
            scans.push_back(scan);
        }
    }
    return scans;
}

// Where a marker's segment starts (its 0xFF), walking the segments from the start.
std::optional<size_t> markerOffset(const Bytes& bytes, int marker)
{
    size_t position = 2;
    while (position + 4 <= bytes.size() && bytes[position] == 0xFF) {
        if (bytes[position + 1] == marker)
            return position;
        position += 2 + (size_t(bytes[position + 2]) << 8 | bytes[position + 3]);
    }
    return std::nullopt;
}

constexpr int markerSof0 = 0xC0, markerSos = 0xDA, markerDqt = 0xDB;

// A copy of bytes with the bytes from offset on replaced by values.
Bytes edited(Bytes bytes, size_t offset, std::initializer_list<uint8_t> values)
{
    size_t i = offset;
    for (uint8_t value : values)
        bytes.at(i++) = value;
    return bytes;
}

Bytes cut(Bytes bytes, size_t sizeBytes)
{
    bytes.resize(sizeBytes);
    return bytes;
}

struct Case {
    std::string name;
    Bytes bytes;
    std::string what;
};

// Every case, or none when the good file lacks a marker the damaged ones are made at.
std::vector<Case> jpegCases()
{
    using pictures::jpegBytes;
    std::vector<Case> cases;
    auto add = [&](const std::string& name, Bytes bytes, const std::string& what) {
        cases.push_back({name, std::move(bytes), what});
    };

    // jpg_image_test
    const Bytes good = jpegBytes(64, 64, quadrants);
    add("quadrants-32x16.jpg", jpegBytes(32, 16, quadrants), "four flat blocks");
    add("quadrants-27x16.jpg", jpegBytes(27, 16, quadrants), "rows of 81 bytes, padded to 84 by callers");
    add("grey-ramp-24x8.jpg", jpegBytes(24, 8, greyRamp, 1), "one channel");
    add("quadrants-64x64.jpg", good, "the good file the broken ones are made from");
    add("empty.jpg", {}, "no bytes");
    add("bmp-bytes.jpg", {'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8}, "not a JPEG");
    add("quadrants-64x64-cut-half.jpg", cut(good, good.size() / 2), "ends half way");
    Bytes corrupt = good;
    std::fill(corrupt.begin() + 20, corrupt.begin() + 60, 0xFF);
    add("quadrants-64x64-corrupt-tables.jpg", corrupt, "bytes 20..59 overwritten with 0xFF");
    add("quadrants-20000x8.jpg", jpegBytes(20000, 8, quadrants, 3, 50), "wider than any texture");
    add("cmyk-16x16.jpg", jpegBytes(16, 16, quadrants, 4), "four channels, CMYK");

    // image_fluid_test
    add("fluid-200x100.jpg", jpegBytes(200, 100, fluidQuarters), "four coloured quarters");
    add("grey90-200x100.jpg", jpegBytes(200, 100, flat({90, 90, 90})), "flat grey in three channels");
    add("broken-app0.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3}, "ends inside its first segment");
    struct Size {
        int width, height;
    };
    for (const auto [width, height] : {Size{150, 80}, Size{264, 136}, Size{304, 64}, Size{120, 160}})
        add("fluid-" + std::to_string(width) + "x" + std::to_string(height) + ".jpg",
            jpegBytes(width, height, fluidOddSize(width, height)), "not the expected 200 x 100");

    // scroller_test and scroller_gl_test
    add("font-138x266.jpg", jpegBytes(138, 266, fontTiles), "tiles of 34 x 33");
    add("font-128x256.jpg", jpegBytes(128, 256, fontGlyphs), "glyph tiles of 32 x 32");

    // The GL tests' textures
    add("white-16x16.jpg", jpegBytes(16, 16, flat({255, 255, 255})), "flat white");
    add("black-16x16.jpg", jpegBytes(16, 16, flat({0, 0, 0})), "flat black");
    add("grey128-16x16.jpg", jpegBytes(16, 16, flat({128, 128, 128})), "flat grey");
    add("grey64-16x16.jpg", jpegBytes(16, 16, flat({64, 64, 64})), "flat dark grey");
    add("white-32x32.jpg", jpegBytes(32, 32, flat({255, 255, 255})), "flat white");
    add("checker-64x64.jpg", jpegBytes(64, 64, [](int x, int y) {
            return (x / 8 + y / 8) % 2 ? Rgb(255, 255, 255) : Rgb(40, 40, 40);
        }), "8-pixel checks");
    add("checker-red-16x16.jpg", jpegBytes(16, 16, [](int x, int y) {
            return (x / 8 + y / 8) % 2 ? Rgb(255, 255, 255) : Rgb(200, 20, 20);
        }), "8-pixel checks");
    add("grid-64x64.jpg", jpegBytes(64, 64, [](int x, int y) {
            return x % 16 < 2 || y % 16 < 2 ? Rgb(255, 255, 255) : Rgb(200, 230, 60);
        }), "thin lines across block edges");
    add("flat-32x16.jpg", jpegBytes(32, 16, flat({200, 100, 50})), "flat colour");
    add("flat-32x32.jpg", jpegBytes(32, 32, flat({200, 100, 50})), "flat colour");
    const Bytes gradientFile = jpegBytes(64, 64, gradient);
    add("gradient-64x64-cut-half.jpg", cut(gradientFile, gradientFile.size() / 2), "ends half way");
    add("gradient-64x64-no-end-marker.jpg", cut(gradientFile, gradientFile.size() - 2),
        "whole but for its end marker");
    add("env-64x64.jpg", jpegBytes(64, 64, flat({40, 200, 90})), "flat colour");
    const Bytes orange = jpegBytes(4, 4, flat({250, 120, 10}));
    add("orange-4x4.jpg", orange, "smaller than one block");
    add("start-64x64.jpg", jpegBytes(64, 64, [](int x, int y) {
            if (x < 32 && y < 32)
                return Rgb(255, 0, 0);
            return x >= 32 && y >= 32 ? Rgb(0, 0, 255) : Rgb(128, 128, 128);
        }), "red and blue quarters on grey");

    // Formats the tests do not make
    add("quadrants-64x64-no-end-marker.jpg", cut(good, good.size() - 2),
        "whole but for its end marker, and so small that libjpeg never reads past its end");
    WriterOptions progressive;
    progressive.progressive = true;
    const Bytes progressiveFile = jpegWith(64, 64, texture, progressive);
    add("progressive-64x64.jpg", progressiveFile, "progressive");
    add("progressive-64x64-no-end-marker.jpg", cut(progressiveFile, progressiveFile.size() - 2),
        "progressive, whole but for its end marker");
    add("progressive-64x64-cut-half.jpg", cut(progressiveFile, progressiveFile.size() / 2),
        "progressive, ends half way");
    WriterOptions progressiveGrey = progressive;
    progressiveGrey.components = 1;
    add("progressive-grey-64x64.jpg", jpegWith(64, 64, texture, progressiveGrey), "progressive, one channel");
    WriterOptions subsampled;
    subsampled.fullChroma = false;
    subsampled.quality = 85;
    add("subsampled-99x61.jpg", jpegWith(99, 61, softDisc, subsampled), "chroma at half size both ways");
    WriterOptions restarts;
    restarts.restartRows = 1;
    add("restart-markers-64x64.jpg", jpegWith(64, 64, texture, restarts), "a restart marker every block row");
    WriterOptions adobeRgb;
    adobeRgb.fileSpace = JCS_RGB;
    add("adobe-rgb-32x16.jpg", jpegWith(32, 16, quadrants, adobeRgb), "RGB, said by an Adobe segment");
    WriterOptions rgbIds = adobeRgb;
    rgbIds.adobeMarker = false;
    add("rgb-ids-32x16.jpg", jpegWith(32, 16, quadrants, rgbIds), "RGB, said only by component ids R G B");
    WriterOptions ycck;
    ycck.components = 4;
    ycck.fileSpace = JCS_YCCK;
    add("ycck-16x16.jpg", jpegWith(16, 16, quadrants, ycck), "four channels, YCCK");
    WriterOptions twoChannels;
    twoChannels.components = 2;
    add("two-channels-16x16.jpg", jpegWith(16, 16, quadrants, twoChannels), "two channels");
    WriterOptions manyScans;
    manyScans.components = 1;
    manyScans.scans = everyBitAScan();
    add("704-scans-8x8.jpg", jpegWith(8, 8, texture, manyScans), "more scans than a decoder accepts");
    WriterOptions thumbnail;
    thumbnail.app1 = {'E', 'x', 'i', 'f', 0, 0};
    thumbnail.app1.insert(thumbnail.app1.end(), orange.begin(), orange.end());
    const Bytes withThumbnail = jpegWith(64, 64, texture, thumbnail);
    add("thumbnail-64x64.jpg", withThumbnail, "an APP1 segment holding a whole JPEG file");
    add("thumbnail-64x64-cut-half.jpg", cut(withThumbnail, withThumbnail.size() / 2),
        "ends half way; the thumbnail's end marker is still there");

    const std::optional<size_t> tablesAt = markerOffset(good, markerDqt);
    const std::optional<size_t> frameAt = markerOffset(good, markerSof0);
    const std::optional<size_t> scanAt = markerOffset(good, markerSos);
    if (!tablesAt || !frameAt || !scanAt) {
        std::fprintf(stderr, "fixtures: libjpeg wrote a file without the usual segments\n");
        return {};
    }
    const size_t tables = *tablesAt, frame = *frameAt, scan = *scanAt;
    Bytes stray = good;
    stray.insert(stray.begin() + long(tables), {'x', 'y', 'z'});
    add("stray-bytes-64x64.jpg", stray, "three stray bytes before the tables");

    // Damaged headers: each a single change to the good file.
    add("soi-only.jpg", cut(good, 2), "nothing after the start marker");
    add("cut-in-frame-header.jpg", cut(good, frame + 6), "ends inside the frame header");
    add("cut-after-scan-header.jpg", cut(good, scan + 14), "headers whole, no compressed data");
    add("end-before-scan.jpg", edited(cut(good, frame + 2), frame, {0xFF, 0xD9}), "an end marker before any frame");
    add("height-zero.jpg", edited(good, frame + 5, {0, 0}), "frame height 0");
    add("60000x60000.jpg", edited(good, frame + 5, {0xEA, 0x60, 0xEA, 0x60}), "too large, but a size libjpeg reads");
    add("65535-wide.jpg", edited(good, frame + 7, {0xFF, 0xFF}), "wider than libjpeg reads at all");
    add("precision-12.jpg", edited(good, frame + 4, {12}), "12-bit samples");
    add("lossless-frame.jpg", edited(good, frame + 1, {0xC3}), "a lossless frame");
    add("sampling-zero.jpg", edited(good, frame + 11, {0x00}), "a component sampled 0 times");
    add("scan-unknown-component.jpg", edited(good, scan + 5, {9}), "a scan naming a component the frame lacks");
    add("table-number-5.jpg", edited(good, tables + 4, {5}), "quantisation table number 5");
    return cases;
}

bool writeBytes(const std::string& path, const Bytes& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "fixtures: cannot write %s\n", path.c_str());
        return false;
    }
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "fixtures: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

// What the JPEG layer answers for a file read as JPGImage::load reads it: the parameters,
// then the whole picture into tight blue-green-red rows.
std::string layerAnswer(const std::string& path)
{
    JPEG_CORE_PROPERTIES properties;
    std::memset(&properties, 0, sizeof properties);
    int code = ijlInit(&properties);
    if (code == IJL_OK) {
        properties.JPGFile = path.c_str();
        code = ijlRead(&properties, IJL_JFILE_READPARAMS);
    }
    if (code == IJL_OK) {
        std::vector<unsigned char> pixels(size_t(properties.JPGWidth) * size_t(properties.JPGHeight) * 3);
        properties.DIBWidth = properties.JPGWidth;
        properties.DIBHeight = properties.JPGHeight;
        properties.DIBBytes = pixels.data();
        code = ijlRead(&properties, IJL_JFILE_READWHOLEIMAGE);
    }
    ijlFree(&properties);
    char line[96];
    std::snprintf(line, sizeof line, "%d %d %d %d %d", code, properties.JPGWidth, properties.JPGHeight,
                  properties.JPGChannels, properties.JPGColor);
    return line;
}

} // namespace

bool writeJpegFixtures(const std::string& folder)
{
    const std::vector<Case> cases = jpegCases();
    if (cases.empty())
        return false;
    std::string list = "# file, then what the Linux layer answers: result width height channels colour\n";
    for (const Case& c : cases) {
        const std::string path = folder + "/" + c.name;
        if (!writeBytes(path, c.bytes))
            return false;
        list += c.name + " " + layerAnswer(path) + "  # " + c.what + "\n";
    }
    return writeBytes(folder + "/jpeg-cases.txt", Bytes(list.begin(), list.end()));
}
