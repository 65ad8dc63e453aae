// Glyph outlines through FreeType's outline decomposer, flattened with fixed steps.
#include "tools/datakit/glyph_outline.h"
#include "tools/datakit/picture_canvas.h"

#include <algorithm>
#include <cstdio>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

namespace datakit {

struct OutlineFont::Impl {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

namespace {

// The decomposer's walk over one glyph: points are appended to the open contour.
struct Flattener {
    GlyphOutline* glyph = nullptr;
    double penX = 0.0;
    int steps = 1;
    OutlinePoint current;

    OutlinePoint at(const FT_Vector* v) const { return {penX + double(v->x), double(v->y)}; }

    void add(OutlinePoint p)
    {
        OutlineContour& contour = glyph->back();
        if (contour.empty() || contour.back().x != p.x || contour.back().y != p.y)
            contour.push_back(p);
        current = p;
    }
};

Flattener& walk(void* user) { return *static_cast<Flattener*>(user); }

int moveTo(const FT_Vector* to, void* user)
{
    Flattener& f = walk(user);
    f.glyph->emplace_back();
    f.add(f.at(to));
    return 0;
}

int lineTo(const FT_Vector* to, void* user)
{
    walk(user).add(walk(user).at(to));
    return 0;
}

int conicTo(const FT_Vector* control, const FT_Vector* to, void* user)
{
    Flattener& f = walk(user);
    const OutlinePoint p0 = f.current, p1 = f.at(control), p2 = f.at(to);
    for (int i = 1; i <= f.steps; ++i) {
        const double t = double(i) / f.steps, s = 1.0 - t;
        f.add({s * s * p0.x + 2 * s * t * p1.x + t * t * p2.x, s * s * p0.y + 2 * s * t * p1.y + t * t * p2.y});
    }
    return 0;
}

int cubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user)
{
    Flattener& f = walk(user);
    const OutlinePoint p0 = f.current, p1 = f.at(control1), p2 = f.at(control2), p3 = f.at(to);
    for (int i = 1; i <= f.steps; ++i) {
        const double t = double(i) / f.steps, s = 1.0 - t;
        const double a = s * s * s, b = 3 * s * s * t, c = 3 * s * t * t, d = t * t * t;
        f.add({a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y});
    }
    return 0;
}

// The decomposer closes every contour by returning to its first point; that repeat goes, and
// so does any contour too small to enclose anything.
void tidy(GlyphOutline& glyph)
{
    for (OutlineContour& contour : glyph)
        while (contour.size() > 1 && contour.back().x == contour.front().x && contour.back().y == contour.front().y)
            contour.pop_back();
    glyph.erase(std::remove_if(glyph.begin(), glyph.end(), [](const OutlineContour& c) { return c.size() < 3; }),
                glyph.end());
}

} // namespace

OutlineFont::OutlineFont(const std::string& pattern) : impl(std::make_unique<Impl>())
{
    const std::string path = fontFile(pattern);
    if (path.empty() || FT_Init_FreeType(&impl->library) != 0) {
        std::fprintf(stderr, "datakit: no font for \"%s\"\n", pattern.c_str());
        return;
    }
    if (FT_New_Face(impl->library, path.c_str(), 0, &impl->face) != 0 || !FT_IS_SCALABLE(impl->face)) {
        std::fprintf(stderr, "datakit: cannot use font %s for outlines\n", path.c_str());
        if (impl->face)
            FT_Done_Face(impl->face);
        impl->face = nullptr;
    }
}

OutlineFont::~OutlineFont()
{
    if (impl->face)
        FT_Done_Face(impl->face);
    if (impl->library)
        FT_Done_FreeType(impl->library);
}

bool OutlineFont::ok() const { return impl->face != nullptr; }

int OutlineFont::unitsPerEm() const { return impl->face ? int(impl->face->units_per_EM) : 0; }

std::vector<GlyphOutline> OutlineFont::layout(const std::string& text, int curveSteps) const
{
    std::vector<GlyphOutline> glyphs;
    if (!ok())
        return glyphs;
    FT_Face face = impl->face;
    FT_Outline_Funcs funcs = {};
    funcs.move_to = moveTo;
    funcs.line_to = lineTo;
    funcs.conic_to = conicTo;
    funcs.cubic_to = cubicTo;

    double penX = 0.0;
    FT_UInt previous = 0;
    for (const char c : text) {
        const FT_UInt index = FT_Get_Char_Index(face, FT_ULong(static_cast<unsigned char>(c)));
        if (previous && index && FT_HAS_KERNING(face)) {
            FT_Vector kerning = {};
            if (FT_Get_Kerning(face, previous, index, FT_KERNING_UNSCALED, &kerning) == 0)
                penX += double(kerning.x);
        }
        previous = index;
        if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE) != 0 || face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
            continue;
        GlyphOutline glyph;
        Flattener flattener{&glyph, penX, std::max(1, curveSteps), {}};
        FT_Outline_Decompose(&face->glyph->outline, &funcs, &flattener);
        tidy(glyph);
        if (!glyph.empty())
            glyphs.push_back(std::move(glyph));
        penX += double(face->glyph->metrics.horiAdvance);
    }
    return glyphs;
}

} // namespace datakit
