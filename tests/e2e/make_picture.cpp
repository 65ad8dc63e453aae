// Writes a test JPEG for the end-to-end scripts: e2e_picture OUT.jpg WIDTH HEIGHT.
// A blue gradient with a white block in the top-left corner, so orientation shows.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: e2e_picture OUT.jpg WIDTH HEIGHT\n");
        return 2;
    }
    const int width = std::atoi(argv[2]), height = std::atoi(argv[3]);
    FILE* file = std::fopen(argv[1], "wb");
    if (!file || width <= 0 || height <= 0) {
        std::fprintf(stderr, "e2e_picture: cannot write %s\n", argv[1]);
        return 1;
    }
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
    std::fclose(file);
    return 0;
}
