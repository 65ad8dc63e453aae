// Writes a small stand-in data folder for the end-to-end scripts, so that no message box stops a
// windowed run: e2e_data FOLDER writes FOLDER/start.jpg (a blue gradient with a white block in the
// top-left corner, so orientation shows) and FOLDER/demo.mp3 (two seconds of a quiet tone).
#include "tests/unit/mp3_files.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

bool writePicture(const std::string& path, int width, int height)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    jpeg_compress_struct compress{};
    jpeg_error_mgr errors{};
    compress.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compress);
    jpeg_stdio_dest(&compress, file);
    compress.image_width = JDIMENSION(width);
    compress.image_height = JDIMENSION(height);
    compress.input_components = 3;
    compress.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compress);
    jpeg_set_quality(&compress, 95, TRUE);
    jpeg_start_compress(&compress, TRUE);
    std::vector<JSAMPLE> row(size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool corner = x < width / 4 && y < height / 4;
            row[size_t(x) * 3 + 0] = JSAMPLE(corner ? 255 : 0);
            row[size_t(x) * 3 + 1] = JSAMPLE(corner ? 255 : 0);
            row[size_t(x) * 3 + 2] = JSAMPLE(corner ? 255 : 255 * y / height);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&compress, rows, 1);
    }
    jpeg_finish_compress(&compress);
    jpeg_destroy_compress(&compress);
    return std::fclose(file) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: e2e_data FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    if (!writePicture(folder + "/start.jpg", 256, 256) ||
        !mp3files::writeSineMp3(folder + "/demo.mp3", 2.0)) {
        std::fprintf(stderr, "e2e_data: cannot write into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
