// Bitmap fonts on Windows: the font is made with CreateFontA and turned into display lists by
// wglUseFontBitmapsA on the current device context, as the program's text has always been drawn.
//
// Glyphs without a bitmap (the space) need care: some implementations (Wine's among them) leave
// their lists raising GL_OUT_OF_MEMORY and not moving the raster position. Every such list is
// compiled again as an empty glBitmap that only advances, by the glyph's own advance, and the
// errors left behind by the build are drained so a frame's error check starts clean.
// Windows' header first: it defines the calling conventions that GL's headers then take as they are.
#include <windows.h>

#include "platform/bitmap_font.h"
#include "platform/gl.h"

namespace os {
namespace {

constexpr int maxPixelHeight = 1024;
constexpr int maxCharacterCode = 65536;
constexpr int regularWeight = 400;
constexpr int maxWeight = 1000;
constexpr int maxErrorsDrained = 64; // a lost context repeats its error forever

void drainGlErrors()
{
    for (int i = 0; i < maxErrorsDrained && glGetError() != GL_NO_ERROR; ++i) {
    }
}

// Recompiles the lists of glyphs that have no bitmap as a pure advance.
void repairBlankGlyphs(HDC dc, int first, int count, GLuint listBase)
{
    static const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    // Mesa takes a null bitmap pointer while compiling a list for a failed allocation.
    static const GLubyte noBits = 0;
    for (int i = 0; i < count; ++i) {
        GLYPHMETRICS metrics;
        const UINT code = UINT(first + i);
        const DWORD size = GetGlyphOutlineA(dc, code, GGO_BITMAP, &metrics, 0, nullptr, &identity);
        if (size != 0)
            continue;
        float advance = 0.0f;
        if (size != GDI_ERROR) {
            advance = float(metrics.gmCellIncX);
        } else if (INT width = 0; GetCharWidth32A(dc, code, code, &width)) {
            advance = float(width);
        }
        glNewList(listBase + GLuint(i), GL_COMPILE);
        glBitmap(0, 0, 0.0f, 0.0f, advance, 0.0f, &noBits);
        glEndList();
    }
}

} // namespace

bool useFontBitmaps(const char* face, int pixelHeight, int weight, int first, int count, GLuint listBase)
{
    if (!face || pixelHeight < 1 || pixelHeight > maxPixelHeight || first < 0 || count < 0 ||
        first > maxCharacterCode - count)
        return false;
    if (weight <= 0)
        weight = regularWeight;
    if (weight > maxWeight)
        weight = maxWeight;
    HDC dc = wglGetCurrentDC();
    if (!dc)
        return false;
    // A negative height asks for the character height rather than the cell height.
    HFONT font = CreateFontA(-pixelHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
    if (!font)
        return false;
    HGDIOBJ previous = SelectObject(dc, font);
    const bool built = wglUseFontBitmapsA(dc, DWORD(first), DWORD(count), listBase) != FALSE;
    drainGlErrors();
    if (built)
        repairBlankGlyphs(dc, first, count, listBase);
    SelectObject(dc, previous);
    DeleteObject(font);
    return built;
}

} // namespace os
