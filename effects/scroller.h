// Scroller: one fixed sentence written as a procession of ribbon letters in the top band.
//
// Every letter is a band 20 path steps long stretched between two Catmull-Rom paths at depth -2,
// with its glyph texture laid along it once: it enters at the right, flies left, flips over and
// back, and grows tall as the two paths part. All letters share the same pair of path shapes
// (each letter owns its own copy, with its own cursor); letter i sets off 22 draws after letter
// i - 1, a space included, but a space draws nothing and its paths never move. The procession
// plays once: cursors only move forward and a letter whose paths have ended is no longer drawn.
//
// LetterProcession holds what needs no OpenGL: the sentence, the paths, the draw count and the
// per-draw stepping that yields the ribbons to show. Scroller adds the glyph textures and the
// drawing.
//
// Window thread only.
#pragma once

#include "effects/font_tiles.h"
#include "geometry/camera.h"
#include "geometry/vec3.h"

#include "platform/gl.h"

#include <cstdint>
#include <memory>
#include <vector>

constexpr const char* scrollerSentence = "vornix is proud to present this final version of talvoren";

// One letter's ribbon as a draw sends it: the edge points of its 20 steps on both paths.
struct LetterRibbon {
    static constexpr int steps = 20;
    int letter = 0;     // index into the sentence
    int glyph = 0;      // texture number, 0..31
    int edgePoints = 0; // valid entries of upper and lower: steps + 1, fewer at the paths' end
    Vec3 upper[steps + 1];
    Vec3 lower[steps + 1];
};

class LetterProcession {
public:
    static constexpr int staggerDraws = 22;     // draws between one letter's start and the next
    static constexpr float pathStep = 0.01f;    // segment fraction per draw: 100 draws a segment
    static constexpr int pathPoints = 16;       // control points of every path
    static constexpr float pathDepth = -2.0f;

    explicit LetterProcession(const char* text = scrollerSentence);

    // The glyph drawn for c: 'a'..'z' 0..25, '.' 26, ',' 27, '!' 28; capitals as their small
    // letters. -1 for the space and every other character: a gap that still takes its place in
    // the procession.
    static int glyphNumber(char c);

    // Fills the two paths every letter follows (16 points each, at z = -2).
    static void buildPaths(CameraPath& upper, CameraPath& lower);

    // Whether letter i takes part in the current draw.
    bool letterDue(int i) const { return frameCount - staggerDraws * i > 0; }

    // One draw's worth of movement: notes the start time on the first call, moves every due
    // letter one step along both paths and returns the ribbons to show, then counts the draw.
    // The result stays valid until the next call.
    const std::vector<LetterRibbon>& step();

    std::vector<CameraPath> upperPaths; // one per character of the sentence
    std::vector<CameraPath> lowerPaths;
    float startTime = 0.0f; // demoTime of the first draw; kept for the record, nothing reads it
    const char* sentence;   // borrowed, zero-terminated
    int letterCount;
    int32_t frameCount = 0; // draws so far

private:
    // Moves letter i one step; false (ribbon untouched) once either path has ended.
    bool advanceLetter(int i, LetterRibbon& ribbon);

    std::vector<LetterRibbon> ribbons; // reused by every step
};

class Scroller : public LetterProcession {
public:
    // Loads the font picture and uploads its 32 glyph textures: needs a current GL context.
    explicit Scroller(const char* fontPath = fontPicturePath, const char* text = scrollerSentence);

    // One frame of the procession under the current projection and viewport (the director's top
    // band). Each ribbon goes with identity modelview, additive colour blending, depth test on,
    // grey 0.7 modulating the glyph. Leaves the GL state as it found it.
    void draw();

    std::unique_ptr<FontTiles> fontTiles;
    const GLuint* glyphTextures = nullptr; // glyphCount names, owned by fontTiles

private:
    void drawRibbon(const LetterRibbon& ribbon) const;
};
