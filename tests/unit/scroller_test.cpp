// The scroller without a GL context: when each letter sets off, what a space does, the shape of
// the ribbon along its paths, the end of the procession, and cutting the font picture's tiles.
#include "effects/font_tiles.h"
#include "effects/scroller.h"

#include "tests/unit/picture_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<int> lettersOf(const std::vector<LetterRibbon>& ribbons)
{
    std::vector<int> letters;
    for (const LetterRibbon& ribbon : ribbons)
        letters.push_back(ribbon.letter);
    return letters;
}

// Steps `procession` n times and returns the letters shown by the last step.
std::vector<int> lettersAfter(LetterProcession& procession, int n)
{
    std::vector<int> letters;
    for (int i = 0; i < n; ++i)
        letters = lettersOf(procession.step());
    return letters;
}

} // namespace

TEST(LetterProcession, HoldsTheSentenceAndMakesUntiledCharactersGaps)
{
    LetterProcession procession;
    EXPECT_STREQ(procession.sentence, "vornix is proud to present this final version of talvoren");
    EXPECT_EQ(procession.letterCount, 57);
    EXPECT_EQ(LetterProcession::glyphNumber('!'), 28);
    EXPECT_EQ(LetterProcession::glyphNumber('T'), LetterProcession::glyphNumber('t'));
    // Characters without a tile are gaps instead of reaching past the 32 textures.
    for (char c : {' ', '7', '?', '~', '\x80'})
        EXPECT_EQ(LetterProcession::glyphNumber(c), -1) << int(c);
}

TEST(LetterProcession, LettersSetOffTwentyTwoDrawsApartAfterAnEmptyFirstDraw)
{
    LetterProcession procession;
    EXPECT_TRUE(procession.step().empty());
    EXPECT_EQ(lettersOf(procession.step()), std::vector<int>{0});
    EXPECT_EQ(procession.step().front().glyph, LetterProcession::glyphNumber('v'));
    EXPECT_EQ(lettersAfter(procession, 20), std::vector<int>{0}); // the 23rd draw
    EXPECT_EQ(lettersAfter(procession, 1), (std::vector<int>{0, 1}));
    EXPECT_EQ(procession.frameCount, 24);
}

TEST(LetterProcession, SpaceTakesItsTurnButNeverMovesOrDraws)
{
    LetterProcession procession; // letter 6 is the space after "vornix"
    ASSERT_EQ(procession.sentence[6], ' ');
    EXPECT_EQ(lettersAfter(procession, 22 * 6 + 2), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(lettersAfter(procession, 21), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(lettersAfter(procession, 1), (std::vector<int>{0, 1, 2, 3, 4, 5, 7}));
    EXPECT_EQ(procession.upperPaths[6].cursorSegment(), 0);
    EXPECT_EQ(procession.upperPaths[6].cursorFraction(), 0.0f);
    EXPECT_EQ(procession.lowerPaths[6].cursorFraction(), 0.0f);

    LetterProcession unknown("a7b");
    EXPECT_EQ(lettersAfter(unknown, 46), (std::vector<int>{0, 2}));
}

TEST(LetterProcession, RibbonStartsUprightFlipsOverAndBackThenStandsTall)
{
    LetterProcession procession("a");
    auto ribbonAt = [&](int draw) {
        while (procession.frameCount < draw - 1)
            procession.step();
        const std::vector<LetterRibbon>& ribbons = procession.step();
        EXPECT_EQ(ribbons.size(), 1u) << "draw " << draw;
        return ribbons.empty() ? LetterRibbon() : ribbons.front();
    };
    // Edges of the ribbon's rear end: the lower path above the upper while the letter is upright.
    auto height = [](const LetterRibbon& r) { return r.lower[0].y - r.upper[0].y; };

    const LetterRibbon first = ribbonAt(2);
    ASSERT_EQ(first.edgePoints, LetterRibbon::steps + 1);
    EXPECT_NEAR(height(first), 0.3, 0.01);
    EXPECT_NEAR(first.upper[0].x, 1.714, 0.01);
    EXPECT_FLOAT_EQ(first.upper[0].z, -2.0f);
    for (int s = 0; s < LetterRibbon::steps; ++s)
        EXPECT_LT(first.upper[s + 1].x, first.upper[s].x) << "the ribbon reaches leftwards";
    EXPECT_NEAR(first.upper[0].x - first.upper[20].x, 0.2 * 0.2857, 0.005);

    EXPECT_LT(height(ribbonAt(701)), -0.3);    // at control point 8: upside down
    EXPECT_GT(height(ribbonAt(801)), 0.2);     // at point 9: upright again
    EXPECT_NEAR(height(ribbonAt(1101)), 1.0, 0.01); // from point 10 on: a whole unit tall
}

TEST(LetterProcession, LetterShortensAtThePathsEndThenIsGone)
{
    LetterProcession procession("a");
    int draws = 0, shortened = 0, lastShown = 0;
    for (; draws < 2000; ++draws) {
        const std::vector<LetterRibbon>& ribbons = procession.step();
        if (ribbons.empty())
            continue;
        lastShown = draws + 1;
        if (ribbons.front().edgePoints < LetterRibbon::steps + 1)
            ++shortened;
        EXPECT_GE(ribbons.front().edgePoints, 2);
    }
    // Thirteen segments of about 100 draws each.
    EXPECT_GT(lastShown, 1250);
    EXPECT_LT(lastShown, 1320);
    EXPECT_GE(shortened, 15);
    EXPECT_LE(shortened, 20);
}

TEST(FontTiles, CutsTilesAcrossTheWholePictureRow)
{
    // 138 x 266: the tiles are 34 x 33 and the picture rows are wider than four tiles.
    const std::string path = pictures::scratchPath("font.jpg");
    pictures::writeFile(path, pictures::jpegBytes(138, 266, [](int x, int y) {
        return x >= 138 - 34 && y < 33 ? pictures::Rgb(250, 10, 10) : pictures::Rgb(10, 250, 10);
    }));
    FontTiles tiles(path.c_str());
    ASSERT_EQ(tiles.tileWidth, 34);
    ASSERT_EQ(tiles.tileHeight, 33);
    // The picture's top-right tile comes first in the mirrored rows: tile (0, 0), glyph 3 ('d').
    EXPECT_EQ(FontTiles::glyphForTile(0, 0), 3);
    EXPECT_EQ(FontTiles::glyphForTile(0, 3), 0);
    EXPECT_EQ(FontTiles::glyphForTile(7, 0), 31);
    tiles.cutTile(0, 0);
    for (int k : {0, 33 * 34 - 1})
        EXPECT_GT(tiles.tileBuffer[size_t(k) * 3], 200) << "texel " << k;
    tiles.cutTile(0, 1);
    EXPECT_LT(tiles.tileBuffer[0], 40);
    tiles.cutTile(1, 0);
    EXPECT_LT(tiles.tileBuffer[0], 40);
}

TEST(FontTiles, MissingPictureGivesEmptyTiles)
{
    testing::internal::CaptureStdout();
    FontTiles tiles(pictures::scratchPath("none.jpg").c_str());
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Error reading image data from"), std::string::npos);
    EXPECT_EQ(tiles.tileWidth, 0);
    EXPECT_EQ(tiles.tileHeight, 0);
    tiles.cutTile(0, 0); // nothing to copy, nothing to crash
    EXPECT_EQ(tiles.textureNames[0], 0u);
}
