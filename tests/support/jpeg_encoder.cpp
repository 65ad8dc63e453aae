// The test pictures' JPEG encoder, over libjpeg; see tests/unit/picture_files.h. With
// TALVOREN_RECORD_INPUTS set to a folder, every picture made is also written there under its
// fixture name, for the Windows tests (tests/support/recorded_inputs.h).
#include "tests/support/recorded_inputs.h"
#include "tests/unit/picture_files.h"

#include <cstdlib>

#include <jpeglib.h>

namespace pictures {
namespace {

std::vector<uint8_t> encode(int width, int height, const PixelFunction& pixel, int components, int quality)
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
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (components == 3) { // no chroma subsampling: colour edges stay sharp
        for (int c = 0; c < 3; ++c)
            info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(size_t(width) * size_t(components));
    while (info.next_scanline < info.image_height) {
        const int y = int(info.next_scanline);
        for (int x = 0; x < width; ++x) {
            const Rgb c = pixel(x, y);
            const uint8_t values[4] = {c.r, c.g, c.b, 0};
            for (int k = 0; k < components; ++k)
                row[size_t(x) * size_t(components) + size_t(k)] = values[k];
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return bytes;
}

} // namespace

std::vector<uint8_t> jpegBytes(int width, int height, const PixelFunction& pixel, int components, int quality)
{
    std::vector<uint8_t> bytes = encode(width, height, pixel, components, quality);
    if (!recorded::recordFolder().empty())
        recorded::keep(jpegFixtureName(width, height, pixel, components, quality), bytes);
    return bytes;
}

} // namespace pictures
