// The texture loaders; see utility.h.
#include "assets/utility.h"

#include "platform/gl.h"

#include <cstdio>
#include <memory>

#include "app/log.h"
#include "assets/bmp_image.h"
#include "assets/jpg_image.h"
#include "platform/os.h"

namespace {

constexpr int rgbComponents = 3;

// The load error goes through the log's box; before the log exists it is shown directly, so
// it is never lost.
void showLoadFailure(const char* path)
{
    if (logger) {
        logger->messageBox("ERROR! Failed to load %s !", path);
        return;
    }
    char text[1024];
    std::snprintf(text, sizeof text, "ERROR! Failed to load %s !", path);
    os::messageBox(text, "", os::MB_OK | os::MB_ICONINFORMATION);
}

void logLoad(const char* loader, const char* path)
{
    if (logger)
        logger->printItem("Utility::%s() -- file: %s", loader, path);
}

// Loads `path` with Image and hands its pixels to the given create operation of `utility`.
template <class Image>
bool loadInto(Utility& utility, void (Utility::*create)(GLuint*, unsigned char*, int, int),
              const char* loader, const char* path, GLuint* texture)
{
    auto image = std::make_unique<Image>();
    logLoad(loader, path);
    if (!image->load(path)) {
        showLoadFailure(path);
        return false;
    }
    (utility.*create)(texture, image->data, image->width, image->height);
    return true;
}

} // namespace

bool Utility::loadBMPTexture(const char* path, GLuint* texture)
{
    return loadInto<BMPImage>(*this, &Utility::createTexture, "loadBMPTexture", path, texture);
}

bool Utility::loadJPGTexture(const char* path, GLuint* texture)
{
    return loadInto<JPGImage>(*this, &Utility::createTexture, "loadJPGTexture", path, texture);
}

bool Utility::loadBMPEnvTexture(const char* path, GLuint* texture)
{
    return loadInto<BMPImage>(*this, &Utility::createEnvTexture, "loadBMPEnvTexture", path, texture);
}

bool Utility::loadJPGEnvTexture(const char* path, GLuint* texture)
{
    return loadInto<JPGImage>(*this, &Utility::createEnvTexture, "loadJPGEnvTexture", path, texture);
}

void Utility::createTexture(GLuint* texture, unsigned char* pixels, int width, int height)
{
    glGenTextures(1, texture);
    glBindTexture(GL_TEXTURE_2D, *texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
}

// The minification filter is GL_LINEAR, so the mipmap levels built here are never sampled;
// the texture looks as it was tuned to look.
void Utility::createEnvTexture(GLuint* texture, unsigned char* pixels, int width, int height)
{
    glGenTextures(1, texture);
    glBindTexture(GL_TEXTURE_2D, *texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, rgbComponents, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_NORMALIZE);
}
