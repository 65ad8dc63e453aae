// The scroller's glyph tiles; see font_tiles.h.
#include "effects/font_tiles.h"

#include <cstddef>
#include <cstring>

namespace {
constexpr int bytesPerPixel = 3;
} // namespace

FontTiles::FontTiles(const char* path)
    : textureNames(std::make_unique<GLuint[]>(glyphCount))
{
    if (image.load(path)) {
        tileWidth = image.width / columns;
        tileHeight = image.height / rows;
    }
    tileBuffer = std::make_unique<unsigned char[]>(size_t(tileWidth) * size_t(tileHeight) * bytesPerPixel);
}

void FontTiles::cutTile(int row, int column)
{
    if (!image.data || row < 0 || row >= rows || column < 0 || column >= columns)
        return;
    const size_t tileRowBytes = size_t(tileWidth) * bytesPerPixel;
    const size_t imageRowBytes = size_t(image.width) * bytesPerPixel;
    for (int y = 0; y < tileHeight; ++y) {
        const size_t imageRow = size_t(row) * size_t(tileHeight) + size_t(y);
        const unsigned char* source = image.data + imageRow * imageRowBytes + size_t(column) * tileRowBytes;
        std::memcpy(&tileBuffer[size_t(y) * tileRowBytes], source, tileRowBytes);
    }
}

void FontTiles::upload()
{
    if (textureNames[0] == 0)
        glGenTextures(glyphCount, textureNames.get());
    if (!image.data || tileWidth == 0 || tileHeight == 0)
        return;

    GLint previousTexture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previousTexture);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    // Tile rows are tightly packed, whatever the tile width.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            cutTile(row, column);
            glBindTexture(GL_TEXTURE_2D, textureNames[size_t(glyphForTile(row, column))]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, tileWidth, tileHeight, 0, GL_RGB, GL_UNSIGNED_BYTE,
                         tileBuffer.get());
        }
    glPopClientAttrib();
    glBindTexture(GL_TEXTURE_2D, GLuint(previousTexture));
}
