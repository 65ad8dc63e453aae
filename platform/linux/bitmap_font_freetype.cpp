// Bitmap fonts through fontconfig and FreeType; see bitmap_font.h.
//
// Glyphs are rendered monochrome (FreeType's mono target, thresholded when a font only gives
// grey levels) and repacked the way glBitmap reads them: most significant bit first, rows from
// the bottom up, each row padded to whole bytes with an unpack alignment of 1. The origin given
// to glBitmap is the pen position inside the bitmap, so the glyph lands on the baseline at the
// raster position, and the advance moves the raster position to the next pen position.
#include "platform/bitmap_font.h"

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

namespace os {
namespace {

constexpr int maxPixelHeight = 1024;
constexpr int maxCharacterCode = 65536;
constexpr int regularWeight = 400;
constexpr int maxWeight = 1000;
constexpr unsigned char greyThreshold = 128; // grey levels at or above this count as ink

struct FontFile {
    std::string path; // empty: nothing found
    int index = 0;    // face within the file
};

// The file fontconfig picks for a face and weight. Looking it up loads fontconfig's whole
// configuration, so each answer is kept for the rest of the run.
FontFile findFontFile(const std::string& face, int weight)
{
    static std::map<std::pair<std::string, int>, FontFile> found;
    const auto key = std::make_pair(face, weight);
    if (auto it = found.find(key); it != found.end())
        return it->second;

    FontFile file;
    if (FcConfig* config = FcInitLoadConfigAndFonts()) {
        if (FcPattern* wanted = FcPatternCreate()) {
            FcPatternAddString(wanted, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
            FcPatternAddInteger(wanted, FC_WEIGHT, FcWeightFromOpenType(weight));
            FcPatternAddInteger(wanted, FC_SLANT, FC_SLANT_ROMAN);
            FcPatternAddBool(wanted, FC_SCALABLE, FcTrue);
            FcConfigSubstitute(config, wanted, FcMatchPattern);
            FcDefaultSubstitute(wanted);
            FcResult result = FcResultNoMatch;
            if (FcPattern* match = FcFontMatch(config, wanted, &result)) {
                FcChar8* path = nullptr;
                if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
                    file.path = reinterpret_cast<const char*>(path);
                if (FcPatternGetInteger(match, FC_INDEX, 0, &file.index) != FcResultMatch)
                    file.index = 0;
                FcPatternDestroy(match);
            }
            FcPatternDestroy(wanted);
        }
        FcConfigDestroy(config);
    }
    found[key] = file;
    return file;
}

// One glyph as glBitmap takes it.
struct GlyphBitmap {
    int width = 0;
    int rows = 0;
    float xOrigin = 0; // pen position inside the bitmap, from its left edge
    float yOrigin = 0; // pen position inside the bitmap, from its bottom row
    float advance = 0; // pixels the raster position moves right
    std::vector<GLubyte> bits; // rows bottom-up, (width + 7) / 8 bytes each, MSB first
};

bool inked(const FT_Bitmap& bitmap, const unsigned char* row, int column)
{
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
        return (row[column >> 3] >> (7 - (column & 7))) & 1;
    return row[column] >= greyThreshold;
}

// Renders character `code`; false when the font has no glyph for it or cannot render it, and
// for a glyph that neither inks nor advances (the zero-width glyphs fonts map control codes to).
bool renderGlyph(FT_Face face, FT_ULong code, GlyphBitmap& glyph)
{
    const FT_UInt index = FT_Get_Char_Index(face, code);
    if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO) != 0)
        return false;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0)
        return false;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
        return false;

    glyph = GlyphBitmap();
    glyph.advance = float(slot->advance.x) / 64.0f;
    if (bitmap.width == 0 || bitmap.rows == 0 || !bitmap.buffer)
        return glyph.advance > 0.0f; // a blank glyph such as the space: just the advance
    glyph.width = int(bitmap.width);
    glyph.rows = int(bitmap.rows);
    glyph.xOrigin = float(-slot->bitmap_left);
    glyph.yOrigin = float(glyph.rows - slot->bitmap_top);
    const int rowBytes = (glyph.width + 7) / 8;
    glyph.bits.assign(size_t(rowBytes) * size_t(glyph.rows), 0);
    for (int r = 0; r < glyph.rows; ++r) {
        const unsigned char* source = bitmap.buffer + ptrdiff_t(r) * bitmap.pitch; // r from the top
        GLubyte* target = glyph.bits.data() + size_t(glyph.rows - 1 - r) * size_t(rowBytes);
        for (int column = 0; column < glyph.width; ++column)
            if (inked(bitmap, source, column))
                target[column >> 3] |= GLubyte(0x80 >> (column & 7));
    }
    return true;
}

void compileGlyph(GLuint list, const GlyphBitmap& glyph)
{
    // A blank glyph still hands over a pixel pointer: Mesa takes a null one while compiling a
    // list for a failed allocation and raises GL_OUT_OF_MEMORY.
    static const GLubyte noBits = 0;
    glNewList(list, GL_COMPILE);
    glBitmap(glyph.width, glyph.rows, glyph.xOrigin, glyph.yOrigin, glyph.advance, 0.0f,
             glyph.bits.empty() ? &noBits : glyph.bits.data());
    glEndList();
}

// Bitmaps are read with the plain byte-packed layout built above, whatever the caller had set.
void setPlainUnpacking()
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
}

} // namespace

bool useFontBitmaps(const char* face, int pixelHeight, int weight, int first, int count, GLuint listBase)
{
    if (!face || pixelHeight < 1 || pixelHeight > maxPixelHeight || first < 0 || count < 0
        || first > maxCharacterCode - count)
        return false;
    if (weight <= 0)
        weight = regularWeight;
    if (weight > maxWeight)
        weight = maxWeight;

    const FontFile file = findFontFile(face, weight);
    if (file.path.empty()) {
        std::fprintf(stderr, "talvoren: no font found for \"%s\"\n", face);
        return false;
    }
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return false;
    FT_Face fontFace = nullptr;
    bool ok = FT_New_Face(library, file.path.c_str(), file.index, &fontFace) == 0
              && FT_Set_Pixel_Sizes(fontFace, 0, FT_UInt(pixelHeight)) == 0;
    if (ok) {
        GlyphBitmap blank;
        if (!renderGlyph(fontFace, ' ', blank))
            blank.advance = float(pixelHeight) * 0.5f; // a font without a space: half an em
        blank = GlyphBitmap{0, 0, 0, 0, blank.advance, {}};

        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        setPlainUnpacking();
        for (int i = 0; i < count; ++i) {
            GlyphBitmap glyph;
            compileGlyph(listBase + GLuint(i), renderGlyph(fontFace, FT_ULong(first + i), glyph) ? glyph : blank);
        }
        glPopClientAttrib();
    } else {
        std::fprintf(stderr, "talvoren: cannot open font %s\n", file.path.c_str());
    }
    if (fontFace)
        FT_Done_Face(fontFace);
    FT_Done_FreeType(library);
    return ok;
}

} // namespace os
