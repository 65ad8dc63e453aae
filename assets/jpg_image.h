// JPGImage: decodes a JPEG file into a tight red-green-blue pixel buffer.
//
// The decoder (platform/ijl.h) delivers blue-green-red pixels, top row first, with rows padded
// to four bytes. Each row is then copied out byte-reversed: that turns blue-green-red into
// red-green-blue and also mirrors the row left to right, which is how every JPEG picture in
// the demo is meant to be seen. The rows keep the decoder's order, so a JPEG texture's first
// row is the picture's top row.
#pragma once

#include <cstdint>

#include "platform/ijl.h"

class JPGImage {
public:
    JPGImage();
    ~JPGImage();
    JPGImage(const JPGImage&) = delete;
    JPGImage& operator=(const JPGImage&) = delete;

    // Decodes the picture at `path`. True when width, height and data hold it; false (with
    // width, height 0 and data null) when the file is missing, corrupt, cut short, of an
    // unsupported kind, or too large.
    bool load(const char* path);

    JPEG_CORE_PROPERTIES properties; // the decoder's record for this picture
    int32_t width = 0;               // pixels
    int32_t height = 0;              // pixels
    unsigned char* data = nullptr;   // width * height * 3 bytes, owned
};
