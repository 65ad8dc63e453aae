// The ribbon-letter scroller; see scroller.h.
#include "effects/scroller.h"

#include "world/gl_scope.h"
#include "world/world.h"

#include <cstring>

namespace {

// x of control point k: seven points to every 2 units, from x = 2 leftwards.
double pathX(int k) { return 2.0 - k * 0.2857142857142857; }

// Heights of the control points. The ribbon starts 0.3 high around y = 0; at point 8 the upper
// edge rises above the lower one and at point 9 drops below it again, so the letter flips over
// and back; from point 10 on the edges are a whole unit apart and the letter stands tall.
constexpr double upperY[LetterProcession::pathPoints] = {
    -0.15, -0.15, -0.15, -0.15, -0.15, -0.15, -0.45, -0.15, 0.55, -0.55, 0.2, 0.2, 0.2, 0.2, 0.2, 0.2};
constexpr double lowerY[LetterProcession::pathPoints] = {
    0.15, 0.15, 0.15, 0.15, 0.15, 0.45, 0.15, 0.15, 0.15, -0.25, 1.2, 1.2, 1.2, 1.2, 1.2, 1.2};
// The lower edge's fifth point is pulled 0.2 to the left, so the bottom of the letter trails.
constexpr int lowerPulledPoint = 5;
constexpr double lowerPull = -0.2;

constexpr float ribbonGrey = 0.7f;
constexpr float ribbonStepU = 1.0f / LetterRibbon::steps; // the glyph stretched once along it

} // namespace

LetterProcession::LetterProcession(const char* text)
    : sentence(text ? text : ""), letterCount(int(std::strlen(sentence)))
{
    upperPaths.resize(size_t(letterCount));
    lowerPaths.resize(size_t(letterCount));
    for (int i = 0; i < letterCount; ++i)
        buildPaths(upperPaths[size_t(i)], lowerPaths[size_t(i)]);
    ribbons.reserve(size_t(letterCount));
}

int LetterProcession::glyphNumber(char c)
{
    if (c >= 'a' && c <= 'z')
        return c - 'a';
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    switch (c) {
    case '.': return 26;
    case ',': return 27;
    case '!': return 28;
    default: return -1;
    }
}

void LetterProcession::buildPaths(CameraPath& upper, CameraPath& lower)
{
    for (int k = 0; k < pathPoints; ++k) {
        upper.addPoint(pathX(k), upperY[k], pathDepth);
        lower.addPoint(pathX(k) + (k == lowerPulledPoint ? lowerPull : 0.0), lowerY[k], pathDepth);
    }
}

bool LetterProcession::advanceLetter(int i, LetterRibbon& ribbon)
{
    CameraPath& upper = upperPaths[size_t(i)];
    CameraPath& lower = lowerPaths[size_t(i)];
    if (!upper.advance() || !lower.advance())
        return false;
    // Near the end of the paths the look-ahead runs out: the ribbon is cut short there.
    int points = 0;
    while (points <= LetterRibbon::steps && upper.peek(points, ribbon.upper[points])
           && lower.peek(points, ribbon.lower[points]))
        ++points;
    ribbon.edgePoints = points;
    return true;
}

const std::vector<LetterRibbon>& LetterProcession::step()
{
    if (startTime == 0.0f)
        startTime = demoTime;
    for (int i = 0; i < letterCount; ++i) {
        upperPaths[size_t(i)].setSpeed(pathStep);
        lowerPaths[size_t(i)].setSpeed(pathStep);
    }
    ribbons.clear();
    for (int i = 0; i < letterCount && letterDue(i); ++i) {
        const int glyph = glyphNumber(sentence[i]);
        if (glyph < 0)
            continue; // a gap: its paths stay where they are
        LetterRibbon ribbon;
        ribbon.letter = i;
        ribbon.glyph = glyph;
        if (advanceLetter(i, ribbon) && ribbon.edgePoints >= 2)
            ribbons.push_back(ribbon);
    }
    frameCount += 1;
    return ribbons;
}

Scroller::Scroller(const char* fontPath, const char* text)
    : LetterProcession(text), fontTiles(std::make_unique<FontTiles>(fontPath))
{
    fontTiles->upload();
    glyphTextures = fontTiles->textureNames.get();
}

void Scroller::draw()
{
    for (const LetterRibbon& ribbon : step())
        drawRibbon(ribbon);
}

void Scroller::drawRibbon(const LetterRibbon& ribbon) const
{
    AttribScope attributes;
    glMatrixMode(GL_MODELVIEW);
    MatrixScope matrix;
    // Colour blending with the glyph itself: its black surround adds nothing, its white strokes
    // brighten what lies behind.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, glyphTextures[ribbon.glyph]);
    glLoadIdentity();
    glColor3f(ribbonGrey, ribbonGrey, ribbonGrey);
    // t = 0 (the glyph's top row) on the lower path, which starts above the upper one; s = 0 (the
    // mirrored tile's first column, the glyph's right edge) at the cursor, the ribbon's right-hand
    // end, since the ribbon reaches ahead of it to the left.
    glBegin(GL_QUADS);
    float u = 0.0f;
    for (int s = 0; s + 1 < ribbon.edgePoints; ++s) {
        glTexCoord2f(u, 0.0f);
        glVertex3fv(&ribbon.lower[s].x);
        glTexCoord2f(u, 1.0f);
        glVertex3fv(&ribbon.upper[s].x);
        glTexCoord2f(u + ribbonStepU, 1.0f);
        glVertex3fv(&ribbon.upper[s + 1].x);
        glTexCoord2f(u + ribbonStepU, 0.0f);
        glVertex3fv(&ribbon.lower[s + 1].x);
        u += ribbonStepU;
    }
    glEnd();
    glDepthMask(GL_TRUE);
}
