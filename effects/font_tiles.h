// FontTiles: the ribbon scroller's glyphs, cut out of one picture of 4 x 8 tiles.
//
// The font picture holds the glyphs a..z . , ! and the space in reading order, four to a row,
// top row first. The JPEG loader mirrors every row, so in the loaded pixels a tile row runs from
// the right-hand glyph to the left-hand one and each glyph is mirrored too: loaded tile (row i,
// column j) is glyph 4i + (3 - j). The tiles are uploaded as they are, mirrored; the scroller
// stretches each one with s running from right to left on screen, which shows it the right way
// round, and t running from the top of the glyph down.
//
// Window thread only; upload needs a current GL context, the rest does not.
#pragma once

#include "assets/jpg_image.h"

#include "platform/gl.h"

#include <memory>

constexpr const char* fontPicturePath = "./data/font.jpg";

class FontTiles {
public:
    static constexpr int rows = 8;    // tile rows in the picture
    static constexpr int columns = 4; // tiles per row
    static constexpr int glyphCount = rows * columns;

    // Loads the picture (a missing or broken one is reported by the JPEG loader and leaves
    // 0 x 0 tiles) and sizes the tiles and the buffer. No GL calls.
    explicit FontTiles(const char* path = fontPicturePath);
    FontTiles(const FontTiles&) = delete;
    FontTiles& operator=(const FontTiles&) = delete;

    // The glyph number that loaded tile (row, column) holds: tile rows run right to left.
    static int glyphForTile(int row, int column) { return columns * row + (columns - 1 - column); }

    // Copies the pixels of loaded tile (row, column) into tileBuffer, top row first. Does
    // nothing for tiles outside the grid or when the picture is missing.
    void cutTile(int row, int column);

    // Generates the 32 texture names (once) and defines each glyph's texture from its tile,
    // linear-filtered RGB. Without a picture the names exist but hold no image. Leaves the
    // texture binding and the pixel unpack state as it found them.
    void upload();

    JPGImage image;
    std::unique_ptr<GLuint[]> textureNames; // glyphCount names, indexed by glyph number
    int tileWidth = 0;                      // pixels: image width / 4
    int tileHeight = 0;                     // pixels: image height / 8
    std::unique_ptr<unsigned char[]> tileBuffer; // tileWidth x tileHeight x 3 bytes of RGB
};
