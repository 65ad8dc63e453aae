// Utility's texture loaders on the headless context: what texture objects they make, the global
// state the environment loaders leave, and what a failed load must not do.
#include "assets/utility.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/os.h"
#include "tests/gl/gl_context.h"
#include "tests/unit/picture_files.h"

using pictures::Rgb;

namespace {

Rgb gradient(int x, int y) { return {uint8_t(x * 2), uint8_t(y * 5), uint8_t(255 - x)}; }
Rgb flat(int, int) { return {200, 100, 50}; }

std::string writePicture(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path = pictures::scratchPath(name);
    pictures::writeFile(path, bytes);
    return path;
}

// Runs `body` with standard output and message boxes captured; returns the boxes' texts.
template <class Body>
std::vector<std::string> watchingBoxes(Body body)
{
    std::vector<std::string> texts;
    os::setMessageBoxHook([&](const std::string& text, const std::string&, unsigned) {
        texts.push_back(text);
        return os::IDOK;
    });
    testing::internal::CaptureStdout();
    body();
    testing::internal::GetCapturedStdout();
    os::setMessageBoxHook(nullptr);
    return texts;
}

GLint levelParameter(GLint level, GLenum name)
{
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

GLint textureParameter(GLenum name)
{
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

} // namespace

TEST(Utility, PlainTexturesKeepSizeAndPixelsWithLinearFilters)
{
    // 127 * 3 = 381 bytes per row: with the default unpack alignment of 4 every row would slip.
    const std::string bmp = writePicture("plain.bmp", pictures::bmpBytes(127, 6, gradient));
    const std::string jpg = writePicture("plain.jpg", pictures::jpegBytes(32, 16, flat));
    Utility utility;
    GLuint bmpTexture = 0, jpgTexture = 0;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4); // the default, whatever ran before
    const auto boxes = watchingBoxes([&] {
        EXPECT_TRUE(utility.loadBMPTexture(bmp.c_str(), &bmpTexture));
        EXPECT_TRUE(utility.loadJPGTexture(jpg.c_str(), &jpgTexture));
    });
    EXPECT_TRUE(boxes.empty());
    struct Expected {
        GLuint texture;
        GLint width, height;
    };
    for (Expected e : {Expected{bmpTexture, 127, 6}, Expected{jpgTexture, 32, 16}}) {
        ASSERT_TRUE(glIsTexture(e.texture));
        glBindTexture(GL_TEXTURE_2D, e.texture);
        EXPECT_EQ(levelParameter(0, GL_TEXTURE_WIDTH), e.width);
        EXPECT_EQ(levelParameter(0, GL_TEXTURE_HEIGHT), e.height);
        EXPECT_EQ(textureParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
        EXPECT_EQ(textureParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
        EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
    }

    glBindTexture(GL_TEXTURE_2D, bmpTexture);
    std::vector<uint8_t> texels(127 * 6 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    int mismatches = 0;
    for (int row = 0; row < 6; ++row) // texture rows are the file's, bottom row first
        for (int x = 0; x < 127; ++x)
            mismatches += !(Rgb(texels[(row * 127 + x) * 3], texels[(row * 127 + x) * 3 + 1],
                                texels[(row * 127 + x) * 3 + 2]) == gradient(x, 5 - row));
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(Utility, EnvironmentTexturesSwitchTexGenToSphereMapAndNormalize)
{
    // The caller's state beforehand is something else entirely.
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
    glDisable(GL_NORMALIZE);

    const std::string bmp = writePicture("env.bmp", pictures::bmpBytes(64, 64, gradient));
    const std::string jpg = writePicture("env.jpg", pictures::jpegBytes(32, 32, flat));
    Utility utility;
    GLuint bmpTexture = 0, jpgTexture = 0;
    watchingBoxes([&] {
        EXPECT_TRUE(utility.loadBMPEnvTexture(bmp.c_str(), &bmpTexture));
        EXPECT_TRUE(utility.loadJPGEnvTexture(jpg.c_str(), &jpgTexture));
    });

    GLint modeS = 0, modeT = 0;
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &modeS);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &modeT);
    EXPECT_EQ(modeS, GL_SPHERE_MAP);
    EXPECT_EQ(modeT, GL_SPHERE_MAP);
    EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S)); // the drawing code turns generation on
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));

    glBindTexture(GL_TEXTURE_2D, bmpTexture);
    EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_T), GL_CLAMP);
    EXPECT_EQ(textureParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_WIDTH), 64);
    EXPECT_EQ(levelParameter(1, GL_TEXTURE_WIDTH), 32); // mipmaps are built
    glBindTexture(GL_TEXTURE_2D, jpgTexture);
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_WIDTH), 32);

    glDisable(GL_NORMALIZE);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(Utility, FailedLoadsShowErrorKeepNameAndCreateNoTexture)
{
    std::vector<uint8_t> cut = pictures::jpegBytes(64, 64, gradient);
    cut.resize(cut.size() / 2);
    const std::string truncatedJpg = writePicture("cut.jpg", cut);
    pictures::BmpOptions options;
    options.bitsPerPixel = 32;
    const std::string wrongBmp = writePicture("wrong.bmp", pictures::bmpBytes(8, 8, gradient, options));
    const std::string missing = pictures::scratchPath("missing_picture");

    GLuint probe = 0; // the newest name so far: a texture made by a failed load would come after it
    glGenTextures(1, &probe);
    glBindTexture(GL_TEXTURE_2D, probe);
    glBindTexture(GL_TEXTURE_2D, 0);

    Utility utility;
    const std::function<bool(const char*, GLuint*)> loaders[] = {
        [&](const char* p, GLuint* t) { return utility.loadBMPTexture(p, t); },
        [&](const char* p, GLuint* t) { return utility.loadBMPEnvTexture(p, t); },
        [&](const char* p, GLuint* t) { return utility.loadJPGTexture(p, t); },
        [&](const char* p, GLuint* t) { return utility.loadJPGEnvTexture(p, t); }};
    struct Case {
        int loader;
        std::string path;
    };
    const Case cases[] = {{0, wrongBmp}, {0, missing},      {1, wrongBmp},
                          {2, missing},  {2, truncatedJpg}, {3, truncatedJpg}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        GLuint texture = 4242;
        bool loaded = true;
        const auto boxes = watchingBoxes([&] { loaded = loaders[c.loader](c.path.c_str(), &texture); });
        EXPECT_FALSE(loaded);
        EXPECT_EQ(texture, 4242u);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], "ERROR! Failed to load " + c.path + " !");
    }
    for (GLuint name = probe + 1; name <= probe + 32; ++name)
        EXPECT_FALSE(glIsTexture(name)) << name;
    glDeleteTextures(1, &probe);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
