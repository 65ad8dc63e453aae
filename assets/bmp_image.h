// BMPImage: reads a 24-bit uncompressed BMP file into a tight red-green-blue pixel buffer.
//
// The reader looks only at what it needs: width and height, one plane, 24 bits per pixel, no
// compression, and pixel data from offset 54 (the usual 14-byte file header plus 40-byte
// information header). Rows stay in file order, bottom row first, which is the order OpenGL
// takes for the first texture row. In the file each row is padded to a multiple of four bytes;
// in `data` rows are exactly width * 3 bytes. Progress and every refusal go to standard output.
#pragma once

#include <cstdint>
#include <cstdio>

class BMPImage {
public:
    BMPImage() = default;
    ~BMPImage();
    BMPImage(const BMPImage&) = delete;
    BMPImage& operator=(const BMPImage&) = delete;

    // Reads the picture at `path`. True when width, height and data hold it; false (with width,
    // height 0 and data null) otherwise.
    bool load(const char* path);

    // Little-endian integers from the file's current position; bytes past its end read as 0.
    static int32_t readInt(FILE* file);
    static uint16_t readShort(FILE* file);

    int32_t width = 0;            // pixels
    int32_t height = 0;           // pixels
    unsigned char* data = nullptr; // width * height * 3 bytes, owned
};
