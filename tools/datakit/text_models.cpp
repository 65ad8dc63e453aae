// The extruded lettering: the logo and "presents" flying past, the title, and the five lettering
// shapes of the morph chain (its first shape, four greetings and the closing logo). Each file is
// one closed mesh built from real glyph outlines: the front face (z = +depth/2, facing +z) is
// every glyph's outline, holes included, triangulated by GLU's tessellator; the back face is the
// same triangles turned round; the sides are one quad per outline edge.
//
// The shadow and fin features pair edges by exact positions, so the mesh is closed by
// construction: every corner is one of the two copies (front and back) of a contour point, the
// tessellator may not invent points (its combine step only merges points that are already
// equal), and the side quads run along the boundary edges of the front triangulation itself
// rather than along the input contours. Solid lies left of every boundary edge of a
// counterclockwise triangle, so each side quad faces away from it whichever way the font winds
// its contours.
//
// Smoothing: front bit 1, back bit 2, sides from bit 4 upwards. The sides change group at every
// sharp corner, so an upright stroke keeps its edges while a bowl shades round.
//
// The morph chain pairs triangles by index, so its shapes choose how finely their curves are cut
// to come near one common triangle count.
#include "tools/datakit/datakit.h"

#include "platform/gl.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "assets/writer3ds.h"
#include "tools/datakit/glyph_outline.h"

namespace datakit {

namespace {

constexpr uint32_t frontGroup = 1;
constexpr uint32_t backGroup = 2;
constexpr uint32_t sideGroups[3] = {4, 8, 16}; // alternate at sharp corners; the third closes an odd loop
constexpr double depthEm = 0.15;               // extrusion depth in ems: about a fifth of a capital's height
constexpr double sharpTurnCos = 0.766;         // cos 40 degrees: a sharper turn is a corner, not a curve
constexpr int fixedCurveSteps = 6;             // pieces per curved segment outside the morph chain
constexpr int morphTriangleTarget = 4000;      // near the brain's and the head's counts
constexpr int maxCurveSteps = 32;              // the logo, mostly straight strokes, needs 27

struct Point2 {
    float x = 0.0f;
    float y = 0.0f;
};

using Triangle = std::array<int, 3>; // indices into one glyph's points

// One glyph, in model units: its points and each contour as a loop of point indices.
struct FlatGlyph {
    std::vector<Point2> points;
    std::vector<std::vector<int>> contours;
};

struct Bounds {
    float minX = 0.0f, maxX = 0.0f, minY = 0.0f, maxY = 0.0f;
};

// ---- triangulation -----------------------------------------------------------------------

struct Tessellation {
    const std::vector<Point2>* points = nullptr;
    std::vector<int> corners; // three per triangle, as the tessellator hands them out
    bool failed = false;
    std::string reason;
};

Tessellation& state(void* data) { return *static_cast<Tessellation*>(data); }

void GLAPIENTRY onBegin(GLenum type, void* data)
{
    // The edge-flag callback below makes the tessellator emit plain triangles only.
    if (type != GL_TRIANGLES) {
        state(data).failed = true;
        state(data).reason = "tessellator produced a strip or fan";
    }
}

void GLAPIENTRY onVertex(void* vertex, void* data) { state(data).corners.push_back(*static_cast<int*>(vertex)); }

void GLAPIENTRY onEdgeFlag(GLboolean, void*) {}

// Called where outline points coincide or edges cross. Coinciding points become the existing
// point with that very position; a crossing would need a new point, which the sides could not
// follow, so it fails the glyph.
void GLAPIENTRY onCombine(GLdouble coords[3], void* vertexData[4], GLfloat weight[4], void** out, void* data)
{
    Tessellation& tess = state(data);
    for (int k = 0; k < 4; ++k) {
        if (!vertexData[k] || weight[k] <= 0.0f)
            continue;
        const Point2& p = (*tess.points)[size_t(*static_cast<int*>(vertexData[k]))];
        if (double(p.x) == coords[0] && double(p.y) == coords[1]) {
            *out = vertexData[k];
            return;
        }
    }
    tess.failed = true;
    tess.reason = "outline crosses itself";
    *out = vertexData[0];
}

void GLAPIENTRY onError(GLenum error, void* data)
{
    state(data).failed = true;
    state(data).reason = reinterpret_cast<const char*>(gluErrorString(error));
}

// Twice the signed area of a, b, c, in double from the float positions: zero means on one
// line, not merely close to one.
double signedArea(const Point2& a, const Point2& b, const Point2& c)
{
    return (double(b.x) - a.x) * (double(c.y) - a.y) - (double(b.y) - a.y) * (double(c.x) - a.x);
}

// The tessellator joins points that lie on one line across the glyph (the inner edge of a stem
// above and below the notch of an arch) into triangles without area, whose normal is undefined
// and would confuse the shadow's silhouette test. Such a triangle's middle corner c lies on its
// long edge a-b; the triangle across that edge, (b, a, d), is cut at c into (b, c, d) and
// (c, a, d), which covers the same area and meets the same neighbours, and the flat one goes.
void removeFlatTriangles(std::vector<Triangle>& triangles, const std::vector<Point2>& points)
{
    auto at = [&](int i) -> const Point2& { return points[size_t(i)]; };
    auto lengthSquared = [&](int i, int j) {
        const double dx = double(at(i).x) - at(j).x, dy = double(at(i).y) - at(j).y;
        return dx * dx + dy * dy;
    };
    for (size_t pass = 0; pass < triangles.size(); ++pass) {
        auto flat = std::find_if(triangles.begin(), triangles.end(), [&](const Triangle& t) {
            return signedArea(at(t[0]), at(t[1]), at(t[2])) == 0.0;
        });
        if (flat == triangles.end())
            return;
        // Rotate the corners so a-b is the long edge.
        Triangle t = *flat;
        while (lengthSquared(t[0], t[1]) < lengthSquared(t[1], t[2]) || lengthSquared(t[0], t[1]) < lengthSquared(t[2], t[0]))
            t = {t[1], t[2], t[0]};
        const int a = t[0], b = t[1], c = t[2];
        auto across = std::find_if(triangles.begin(), triangles.end(), [&](const Triangle& u) {
            for (int k = 0; k < 3; ++k)
                if (u[k] == b && u[(k + 1) % 3] == a)
                    return true;
            return false;
        });
        if (across == triangles.end())
            return; // on the outline itself: nothing to cut, the flat triangle stays
        const Triangle& u = *across;
        const int d = u[0] != a && u[0] != b ? u[0] : u[1] != a && u[1] != b ? u[1] : u[2];
        *across = {b, c, d};
        *flat = {c, a, d};
    }
}

// The glyph's filled area as triangles, each counterclockwise seen from +z.
bool triangulate(const FlatGlyph& glyph, std::vector<Triangle>& triangles, std::string& error)
{
    GLUtesselator* tessellator = gluNewTess();
    if (!tessellator) {
        error = "no tessellator";
        return false;
    }
    Tessellation tess;
    tess.points = &glyph.points;
    gluTessCallback(tessellator, GLU_TESS_BEGIN_DATA, reinterpret_cast<_GLUfuncptr>(&onBegin));
    gluTessCallback(tessellator, GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(&onVertex));
    gluTessCallback(tessellator, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<_GLUfuncptr>(&onEdgeFlag));
    gluTessCallback(tessellator, GLU_TESS_COMBINE_DATA, reinterpret_cast<_GLUfuncptr>(&onCombine));
    gluTessCallback(tessellator, GLU_TESS_ERROR_DATA, reinterpret_cast<_GLUfuncptr>(&onError));
    gluTessProperty(tessellator, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessNormal(tessellator, 0.0, 0.0, 1.0);

    // The tessellator keeps pointers to both arrays until the polygon ends.
    std::vector<int> indices(glyph.points.size());
    std::vector<std::array<GLdouble, 3>> coords(glyph.points.size());
    for (size_t i = 0; i < glyph.points.size(); ++i) {
        indices[i] = int(i);
        coords[i] = {double(glyph.points[i].x), double(glyph.points[i].y), 0.0};
    }
    gluTessBeginPolygon(tessellator, &tess);
    for (const std::vector<int>& contour : glyph.contours) {
        gluTessBeginContour(tessellator);
        for (const int i : contour)
            gluTessVertex(tessellator, coords[size_t(i)].data(), &indices[size_t(i)]);
        gluTessEndContour(tessellator);
    }
    gluTessEndPolygon(tessellator);
    gluDeleteTess(tessellator);

    if (tess.failed || tess.corners.size() % 3 != 0) {
        error = tess.reason.empty() ? "incomplete triangles" : tess.reason;
        return false;
    }
    for (size_t i = 0; i < tess.corners.size(); i += 3) {
        Triangle t = {tess.corners[i], tess.corners[i + 1], tess.corners[i + 2]};
        if (signedArea(glyph.points[size_t(t[0])], glyph.points[size_t(t[1])], glyph.points[size_t(t[2])]) < 0.0)
            std::swap(t[1], t[2]);
        triangles.push_back(t);
    }
    removeFlatTriangles(triangles, glyph.points);
    return true;
}

// ---- outline to model units --------------------------------------------------------------

// Removes points lying exactly on the line through their neighbours (a stem drawn as several
// segments, a curve whose control point is on its chord): the tessellator would join three
// such points into a triangle without area, whose normal is undefined.
void dropStraightPoints(std::vector<int>& loop, const std::vector<Point2>& points)
{
    bool removed = true;
    while (removed && loop.size() > 3) {
        removed = false;
        for (size_t k = 0; k < loop.size() && loop.size() > 3; ++k) {
            const Point2& a = points[size_t(loop[(k + loop.size() - 1) % loop.size()])];
            const Point2& b = points[size_t(loop[k])];
            const Point2& c = points[size_t(loop[(k + 1) % loop.size()])];
            if (signedArea(a, b, c) == 0.0) {
                loop.erase(loop.begin() + std::ptrdiff_t(k));
                removed = true;
            }
        }
    }
}

// The glyphs scaled so the whole line is width wide, centred on the origin. Points are rounded
// to float once, here, and neighbours that round together become one point.
std::vector<FlatGlyph> flatten(const std::vector<GlyphOutline>& glyphs, double width, double& unitsToModel)
{
    double minX = 1e30, maxX = -1e30, minY = 1e30, maxY = -1e30;
    for (const GlyphOutline& glyph : glyphs)
        for (const OutlineContour& contour : glyph)
            for (const OutlinePoint& p : contour) {
                minX = std::min(minX, p.x);
                maxX = std::max(maxX, p.x);
                minY = std::min(minY, p.y);
                maxY = std::max(maxY, p.y);
            }
    unitsToModel = maxX > minX ? width / (maxX - minX) : 1.0;
    const double centreX = 0.5 * (minX + maxX), centreY = 0.5 * (minY + maxY);

    std::vector<FlatGlyph> flat;
    for (const GlyphOutline& glyph : glyphs) {
        FlatGlyph out;
        for (const OutlineContour& contour : glyph) {
            std::vector<int> loop;
            for (const OutlinePoint& p : contour) {
                const Point2 q{float((p.x - centreX) * unitsToModel), float((p.y - centreY) * unitsToModel)};
                if (!loop.empty()) {
                    const Point2& last = out.points[size_t(loop.back())];
                    if (last.x == q.x && last.y == q.y)
                        continue;
                }
                loop.push_back(int(out.points.size()));
                out.points.push_back(q);
            }
            while (loop.size() > 1 && out.points[size_t(loop.back())].x == out.points[size_t(loop.front())].x
                   && out.points[size_t(loop.back())].y == out.points[size_t(loop.front())].y)
                loop.pop_back();
            dropStraightPoints(loop, out.points);
            if (loop.size() >= 3)
                out.contours.push_back(std::move(loop));
        }
        if (!out.contours.empty())
            flat.push_back(std::move(out));
    }
    return flat;
}

Bounds boundsOf(const std::vector<FlatGlyph>& glyphs)
{
    Bounds box{1e30f, -1e30f, 1e30f, -1e30f};
    for (const FlatGlyph& glyph : glyphs)
        for (const Point2& p : glyph.points) {
            box.minX = std::min(box.minX, p.x);
            box.maxX = std::max(box.maxX, p.x);
            box.minY = std::min(box.minY, p.y);
            box.maxY = std::max(box.maxY, p.y);
        }
    return box;
}

// ---- extrusion ---------------------------------------------------------------------------

using Edge = std::pair<int, int>; // directed, from point to point

// The front triangulation's boundary edges, solid on their left, chained into loops.
std::vector<std::vector<Edge>> boundaryLoops(const std::vector<Triangle>& triangles)
{
    std::map<Edge, int> edgeCount;
    for (const Triangle& t : triangles)
        for (int k = 0; k < 3; ++k)
            ++edgeCount[{t[k], t[(k + 1) % 3]}];
    std::vector<Edge> boundary;
    for (const Triangle& t : triangles)
        for (int k = 0; k < 3; ++k) {
            const Edge e{t[k], t[(k + 1) % 3]};
            if (!edgeCount.count({e.second, e.first}))
                boundary.push_back(e);
        }
    std::multimap<int, size_t> leaving; // start point -> boundary edge
    for (size_t i = 0; i < boundary.size(); ++i)
        leaving.insert({boundary[i].first, i});
    std::vector<bool> used(boundary.size(), false);
    std::vector<std::vector<Edge>> loops;
    for (size_t start = 0; start < boundary.size(); ++start) {
        if (used[start])
            continue;
        std::vector<Edge> loop;
        size_t edge = start;
        while (!used[edge]) {
            used[edge] = true;
            loop.push_back(boundary[edge]);
            auto [from, to] = leaving.equal_range(boundary[edge].second);
            auto next = std::find_if(from, to, [&](const auto& entry) { return !used[entry.second]; });
            if (next == to)
                break;
            edge = next->second;
        }
        loops.push_back(std::move(loop));
    }
    return loops;
}

// True where the outline turns sharply from the edge into a point to the edge out of it.
bool sharpTurn(const Point2& a, const Point2& b, const Point2& c)
{
    const double ux = double(b.x) - a.x, uy = double(b.y) - a.y;
    const double vx = double(c.x) - b.x, vy = double(c.y) - b.y;
    const double lengths = std::sqrt((ux * ux + uy * uy) * (vx * vx + vy * vy));
    return lengths > 0.0 && (ux * vx + uy * vy) / lengths < sharpTurnCos;
}

// One smoothing group per edge of a loop: a run between sharp corners shares a group and the
// runs either side of a corner never do.
std::vector<uint32_t> sideGroupsOf(const std::vector<Edge>& loop, const std::vector<Point2>& points)
{
    const size_t n = loop.size();
    std::vector<bool> cornerBefore(n, false); // a sharp turn where edge k begins
    size_t corners = 0, firstCorner = 0;
    for (size_t k = 0; k < n; ++k) {
        const Edge& in = loop[(k + n - 1) % n];
        const Edge& out = loop[k];
        if (in.second == out.first
            && sharpTurn(points[size_t(in.first)], points[size_t(out.first)], points[size_t(out.second)])) {
            if (corners++ == 0)
                firstCorner = k;
            cornerBefore[k] = true;
        }
    }
    std::vector<uint32_t> groups(n, sideGroups[0]);
    if (corners < 2)
        return groups;
    size_t run = 0;
    for (size_t step = 0; step < n; ++step) {
        const size_t k = (firstCorner + step) % n;
        if (step > 0 && cornerBefore[k])
            ++run;
        const bool closesOddLoop = corners % 2 == 1 && run == corners - 1;
        groups[k] = closesOddLoop ? sideGroups[2] : sideGroups[run % 2];
    }
    return groups;
}

// Front, back and sides of one glyph; every point has a front and a back vertex.
void addGlyph(MeshBuilder& mesh, const FlatGlyph& glyph, const std::vector<Triangle>& triangles,
              float halfDepth, const Bounds& box, int material)
{
    const int first = int(mesh.vertices.size());
    auto front = [&](int i) { return uint16_t(first + 2 * i); };
    auto back = [&](int i) { return uint16_t(first + 2 * i + 1); };
    const float width = box.maxX - box.minX, height = box.maxY - box.minY;
    for (const Point2& p : glyph.points) {
        // Planar mapping over the whole line, so a texture would lie across the lettering.
        const Vec2 uv{(p.x - box.minX) / width, (p.y - box.minY) / height};
        mesh.addVertex(Vec3(p.x, p.y, halfDepth), uv);
        mesh.addVertex(Vec3(p.x, p.y, -halfDepth), uv);
    }
    for (const Triangle& t : triangles) {
        mesh.addFace(front(t[0]), front(t[1]), front(t[2]), frontGroup, material);
        mesh.addFace(back(t[0]), back(t[2]), back(t[1]), backGroup, material);
    }
    for (const std::vector<Edge>& loop : boundaryLoops(triangles)) {
        const std::vector<uint32_t> groups = sideGroupsOf(loop, glyph.points);
        for (size_t k = 0; k < loop.size(); ++k) {
            const auto [a, b] = loop[k];
            // Solid lies left of a -> b, so these face right of it, away from the glyph.
            mesh.addFace(front(a), back(a), front(b), groups[k], material);
            mesh.addFace(front(b), back(a), back(b), groups[k], material);
        }
    }
}

struct TextModel {
    const char* file;
    const char* text;
    double width;         // in x, before the program's scale
    bool morphShape;      // part of the morph chain: aims at morphTriangleTarget
    const char* material; // at most 19 characters
    ModelColor diffuse;
};

// The mesh of one line of text, or false with the reason in error.
bool buildText(const OutlineFont& font, const TextModel& model, int curveSteps, MeshBuilder& mesh, std::string& error)
{
    double unitsToModel = 1.0;
    const std::vector<FlatGlyph> glyphs = flatten(font.layout(model.text, curveSteps), model.width, unitsToModel);
    if (glyphs.empty()) {
        error = "no outlines";
        return false;
    }
    const Bounds box = boundsOf(glyphs);
    const float halfDepth = float(0.5 * depthEm * font.unitsPerEm() * unitsToModel);
    mesh.vertices.clear();
    mesh.uv.clear();
    mesh.faces.clear();
    for (const FlatGlyph& glyph : glyphs) {
        std::vector<Triangle> triangles;
        if (!triangulate(glyph, triangles, error))
            return false;
        if (mesh.vertices.size() + 2 * glyph.points.size() > 65535) {
            error = "too many vertices";
            return false;
        }
        addGlyph(mesh, glyph, triangles, halfDepth, box, 0);
    }
    return true;
}

bool writeText(const OutlineFont& font, const TextModel& model, const std::string& folder, Progress& progress)
{
    Writer3DS writer;
    MaterialInput& material = writer.addMaterial(model.material);
    material.ambient = ModelColor{model.diffuse.r * 0.25f, model.diffuse.g * 0.25f, model.diffuse.b * 0.25f};
    material.diffuse = model.diffuse;
    material.specular = ModelColor{1.0f, 1.0f, 1.0f};
    material.shininess = 0.7f;
    MeshBuilder& mesh = writer.addMesh("text");

    std::string error;
    int curveSteps = fixedCurveSteps;
    if (model.morphShape) {
        // The finest cut whose triangle count comes nearest the chain's common count.
        int bestDistance = -1;
        for (int steps = 1; steps <= maxCurveSteps; ++steps) {
            if (!buildText(font, model, steps, mesh, error))
                break;
            const int distance = std::abs(int(mesh.faces.size()) - morphTriangleTarget);
            if (bestDistance < 0 || distance <= bestDistance) {
                bestDistance = distance;
                curveSteps = steps;
            }
        }
    }
    if (!buildText(font, model, curveSteps, mesh, error)) {
        std::fprintf(stderr, "datakit: cannot build %s: %s\n", model.file, error.c_str());
        return false;
    }
    if (!writer.writeFile(folder + "/" + model.file, &error)) {
        std::fprintf(stderr, "datakit: cannot write %s: %s\n", model.file, error.c_str());
        return false;
    }
    progress.wrote(model.file);
    return true;
}

// Widths: what each scene's scale turns into the size its camera frames (vornix2 and presents
// 30 units at 55 units away, the title 34, the morph shapes 1.6 at 3 units away).
const TextModel textModels[] = {
    {"vornix2.3ds", "#Vornix", 10.0, false, "vornix logo", {0.85f, 0.88f, 0.95f}},
    {"presents.3ds", "presents", 10.0, false, "presents", {0.85f, 0.88f, 0.95f}},
    {"talv1b.3ds", "Talvoren", 40.0, false, "title", {0.9f, 0.85f, 0.7f}},
    {"startmorph.3ds", "talvoren", 1600.0, true, "morph start", {0.75f, 0.8f, 0.9f}},
    {"greet1.3ds", "Nightkiln", 8.0, true, "greeting 1", {0.9f, 0.75f, 0.6f}},
    {"greet2.3ds", "Quillfeather", 8.0, true, "greeting 2", {0.7f, 0.85f, 0.7f}},
    {"greet3.3ds", "Brasswren", 8.0, true, "greeting 3", {0.9f, 0.8f, 0.5f}},
    {"greet4.3ds", "Tidewhorl", 8.0, true, "greeting 4", {0.6f, 0.8f, 0.9f}},
    {"vornix.3ds", "#Vornix", 160.0, true, "vornix logo", {0.85f, 0.88f, 0.95f}},
};

} // namespace

int textModelFileCount() { return int(std::size(textModels)); }

bool writeTextModels(const std::string& folder, Progress& progress)
{
    const OutlineFont font("DejaVu Sans:bold");
    if (!font.ok())
        return false;
    for (const TextModel& model : textModels)
        if (!writeText(font, model, folder, progress))
            return false;
    return true;
}

} // namespace datakit
