// Utility: turns picture files straight into OpenGL texture objects.
//
// A plain texture is one level with linear filtering and repeat wrap. An environment texture
// is prepared for sphere mapping: clamped, built with mipmaps, and it switches the global
// texture-coordinate generation mode of S and T to sphere map and turns on GL_NORMALIZE
// (coordinate generation itself stays off; the drawing code that uses the texture enables it).
// Texture objects are never deleted; they live as long as the context.
//
// Uploads use an unpack alignment of 1, so pictures whose rows are not a multiple of four
// bytes arrive unsheared. That setting is left in place: it is right for every tight buffer.
//
// A failed load shows "ERROR! Failed to load <path> !", returns false, leaves *texture as it
// was and creates no texture object. Needs the rendering context current.
#pragma once

#include "platform/gl.h"

// Image file-type codes: passed along with a picture path to say which reader to use.
constexpr int bmpFileType = 1000;
constexpr int jpgFileType = 1001;

class Utility {
public:
    bool loadBMPTexture(const char* path, GLuint* texture);
    bool loadJPGTexture(const char* path, GLuint* texture);
    bool loadBMPEnvTexture(const char* path, GLuint* texture);
    bool loadJPGEnvTexture(const char* path, GLuint* texture);

    // One new texture object from a tight red-green-blue buffer; its name goes to *texture.
    void createTexture(GLuint* texture, unsigned char* pixels, int width, int height);
    void createEnvTexture(GLuint* texture, unsigned char* pixels, int width, int height);
};
