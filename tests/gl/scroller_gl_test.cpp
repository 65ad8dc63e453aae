// The scroller on the headless context, with a font picture of our own: each tile's texture under
// its glyph number, glyphs on screen the right way up and round, nothing on the first draw, and
// the GL state a draw leaves behind.
#include "effects/scroller.h"

#include "app/settings_dialog.h"
#include "tests/gl/gl_context.h"
#include "tests/gl/gl_state.h"
#include "tests/unit/picture_files.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using pictures::Rgb;

namespace {

constexpr int tileSize = 32; // the test font is 128 x 256

Rgb flatColour(int glyph) { return {uint8_t(40 + 6 * glyph), uint8_t(250 - 7 * glyph), uint8_t(glyph * 37 % 200)}; }

// The tiles in reading order: 'a' lit on its left half, 'b' on its top half, 'c' all over, the
// others each a flat colour of its own.
Rgb fontPixel(int x, int y)
{
    const int glyph = 4 * (y / tileSize) + x / tileSize;
    const int lx = x % tileSize, ly = y % tileSize;
    const Rgb white(255, 255, 255), black(0, 0, 0);
    switch (glyph) {
    case 0: return lx < tileSize / 2 ? white : black;
    case 1: return ly < tileSize / 2 ? white : black;
    case 2: return white;
    default: return flatColour(glyph);
    }
}

std::string writeTestFont()
{
    const std::string path = pictures::scratchPath("font.jpg");
    pictures::writeFile(path, pictures::jpegBytes(4 * tileSize, 8 * tileSize, fontPixel));
    return path;
}

// RGB texel (column, row) of the bound texture, row 0 being the first uploaded.
Rgb texel(int column, int row)
{
    std::vector<uint8_t> rgb(size_t(tileSize) * tileSize * 3);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    const size_t at = (size_t(row) * tileSize + size_t(column)) * 3;
    return {rgb[at], rgb[at + 1], rgb[at + 2]};
}

void expectNear(const Rgb& actual, const Rgb& expected, const char* what)
{
    EXPECT_NEAR(actual.r, expected.r, 8) << what;
    EXPECT_NEAR(actual.g, expected.g, 8) << what;
    EXPECT_NEAR(actual.b, expected.b, 8) << what;
}

struct Lit {
    int count = 0;
    double meanX = 0, meanY = 0; // window pixels, y up
};

Lit readLit()
{
    std::vector<uint8_t> rgba(size_t(glTestWidth) * glTestHeight * 4);
    glReadPixels(0, 0, glTestWidth, glTestHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    Lit lit;
    for (int y = 0; y < glTestHeight; ++y)
        for (int x = 0; x < glTestWidth; ++x)
            if (rgba[(size_t(y) * glTestWidth + size_t(x)) * 4] > 40) {
                ++lit.count;
                lit.meanX += x;
                lit.meanY += y;
            }
    if (lit.count) {
        lit.meanX /= lit.count;
        lit.meanY /= lit.count;
    }
    return lit;
}

void clearBlack()
{
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

class ScrollerGl : public testing::Test {
protected:
    void SetUp() override
    {
        screenWidth = glTestWidth;
        screenHeight = glTestHeight;
        previousWorld = world;
        world = &testWorld;
        testWorld.setDefaultViewport();
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
    }
    void TearDown() override
    {
        world = previousWorld;
        testWorld.setDefaultViewport();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    const std::string fontPath = writeTestFont();
    World testWorld;
    World* previousWorld = nullptr;
};

} // namespace

TEST_F(ScrollerGl, UploadPutsEveryTileUnderItsGlyphNumber)
{
    GLuint sentinel = 0;
    glGenTextures(1, &sentinel);
    glBindTexture(GL_TEXTURE_2D, sentinel);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    FontTiles tiles(fontPath.c_str());
    tiles.upload();
    GLint bound = 0, alignment = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(GLuint(bound), sentinel);
    EXPECT_EQ(alignment, 4);

    for (int glyph : {3, 4, 17, 28, 31}) {
        glBindTexture(GL_TEXTURE_2D, tiles.textureNames[glyph]);
        GLint width = 0, minFilter = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        EXPECT_EQ(width, tileSize);
        EXPECT_EQ(minFilter, GL_LINEAR);
        expectNear(texel(5, 5), flatColour(glyph), ("glyph " + std::to_string(glyph)).c_str());
    }
    // 'a' as the loader delivers it: mirrored, so its lit left half is the texture's right half.
    glBindTexture(GL_TEXTURE_2D, tiles.textureNames[0]);
    expectNear(texel(29, 10), Rgb(255, 255, 255), "a, right");
    expectNear(texel(2, 10), Rgb(0, 0, 0), "a, left");
    // 'b': the picture's top rows come first.
    glBindTexture(GL_TEXTURE_2D, tiles.textureNames[1]);
    expectNear(texel(10, 2), Rgb(255, 255, 255), "b, top");
    expectNear(texel(10, 29), Rgb(0, 0, 0), "b, bottom");
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &sentinel);
}

TEST_F(ScrollerGl, GlyphsShowUprightAndTheRightWayRound)
{
    // Each single-letter scroller is drawn to where its ribbon runs straight, then once more
    // with a projection that fills the window with that ribbon.
    constexpr int draws = 250;
    LetterProcession twin("c");
    for (int i = 1; i < draws; ++i)
        twin.step();
    const LetterRibbon ribbon = twin.step().at(0);
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    for (int s = 0; s < ribbon.edgePoints; ++s)
        for (const Vec3& p : {ribbon.upper[s], ribbon.lower[s]}) {
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }

    auto litFor = [&](const char* letter) {
        Scroller scroller(fontPath.c_str(), letter);
        for (int i = 1; i < draws; ++i)
            scroller.draw();
        clearBlack();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(minX, maxX, minY, maxY, 0.5, 10);
        glMatrixMode(GL_MODELVIEW);
        scroller.draw();
        return readLit();
    };
    const Lit whole = litFor("c"), left = litFor("a"), top = litFor("b");
    ASSERT_GT(whole.count, glTestWidth * glTestHeight / 2);
    EXPECT_NEAR(whole.meanX, glTestWidth / 2.0, glTestWidth * 0.05);
    EXPECT_LT(left.meanX, glTestWidth * 0.35) << "the glyph's left half lands on the left";
    EXPECT_NEAR(left.count, whole.count / 2, whole.count / 8);
    EXPECT_GT(top.meanY, glTestHeight * 0.65) << "the glyph's top half lands at the top";
}

TEST_F(ScrollerGl, FirstDrawShowsNothingAndEveryDrawLeavesStateAsFound)
{
    Scroller scroller(fontPath.c_str());
    GLuint sentinel = 0;
    glGenTextures(1, &sentinel);
    glBindTexture(GL_TEXTURE_2D, sentinel);
    glDepthMask(GL_FALSE);
    glColor4f(0.2f, 0.3f, 0.4f, 1.0f);
    glTranslatef(5, 0, 0); // the ribbons are placed with identity modelview whatever this is
    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    const GlStacks stacks = GlStacks::capture();

    clearBlack();
    scroller.draw();
    EXPECT_EQ(readLit().count, 0);
    // Letters cross the middle of the view once they are some 600 draws along.
    for (int i = 1; i < 650; ++i)
        scroller.draw();
    clearBlack();
    scroller.draw();
    EXPECT_GT(readLit().count, 100);

    EXPECT_EQ(GlStacks::capture(), stacks);
    GLint bound = 0;
    GLboolean depthMask = GL_TRUE;
    GLfloat colour[4], after[16];
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_EQ(GLuint(bound), sentinel);
    EXPECT_EQ(depthMask, GL_FALSE);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FLOAT_EQ(colour[1], 0.3f);
    EXPECT_TRUE(std::equal(modelview, modelview + 16, after));

    glDepthMask(GL_TRUE);
    glColor4f(1, 1, 1, 1);
    glLoadIdentity();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &sentinel);
}
