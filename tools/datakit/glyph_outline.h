// OutlineFont: the glyph outlines of a line of text, for the extruded lettering models.
//
// The face is found through fontconfig and its glyphs are loaded in the font's own design units
// (FT_LOAD_NO_SCALE: no hinting, no rounding to a pixel grid), so every run starts from the same
// integer points. Each contour becomes a closed polyline: every quadratic or cubic segment is cut
// into a fixed number of straight pieces, which keeps the output the same on every run.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace datakit {

struct OutlinePoint {
    double x = 0.0; // font units, y up
    double y = 0.0;
};

// Closed: the last point joins the first (which is not repeated). Consecutive points differ.
using OutlineContour = std::vector<OutlinePoint>;
// One glyph's contours, outer ones and holes alike, in the font's own direction.
using GlyphOutline = std::vector<OutlineContour>;

class OutlineFont {
public:
    explicit OutlineFont(const std::string& pattern); // a fontconfig pattern, "DejaVu Sans:bold"
    ~OutlineFont();
    OutlineFont(const OutlineFont&) = delete;
    OutlineFont& operator=(const OutlineFont&) = delete;

    bool ok() const;
    int unitsPerEm() const; // 0 when no face was loaded

    // The glyphs of text (ASCII) set along +x from the origin with their advances and the
    // font's kerning, every curved segment cut into curveSteps straight pieces. Glyphs without
    // contours (a space) only advance the pen. Empty when the font did not load.
    std::vector<GlyphOutline> layout(const std::string& text, int curveSteps) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

} // namespace datakit
