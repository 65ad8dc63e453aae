// The flight data: the space structure (space.3ds), the camera path through it (space1.pos)
// and the low flight over the landscape (boll.pos).
//
// The structure is laid out in world units, the units the space scene sees after it shrinks
// the model to a tenth, and written ten times larger; space1.pos is written in world units.
// Every part is a closed box or tube with its own corners, each corner computed once and
// copied to every face that uses it, so the neighbour search pairs every edge. The camera
// flies down the -z axis through four sections: an octagonal tube with hull plates and lamps,
// an open truss of gates it weaves through, a square tube whose frames twist, and a hub with
// a far wall. Geometry is never more than a few units away, so something always comes out of
// the fog (8 to 30 units).
//
// The landscape path circles the hollow where the balls gather, low over the ground: its
// height follows a smoothed envelope of the terrain's maximum around the eye, so the camera
// can never dip into a ridge between control points.
#include "tools/datakit/datakit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "assets/writer3ds.h"
#include "effects/landscape_height.h"
#include "tools/datakit/picture_canvas.h"

namespace datakit {

namespace {

constexpr double pi = 3.14159265358979323846;

// Path and layout arithmetic in double; Vec3 narrows after every operation.
struct Vec3d {
    double x = 0, y = 0, z = 0;
    Vec3d operator+(const Vec3d& b) const { return {x + b.x, y + b.y, z + b.z}; }
    Vec3d operator-(const Vec3d& b) const { return {x - b.x, y - b.y, z - b.z}; }
    Vec3d operator*(double s) const { return {x * s, y * s, z * s}; }
    double dot(const Vec3d& b) const { return x * b.x + y * b.y + z * b.z; }
    Vec3d cross(const Vec3d& b) const { return {y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x}; }
    double length() const { return std::sqrt(dot(*this)); }
    Vec3d normalized() const { return *this * (1.0 / length()); }
};

double smoothstep(double edge0, double edge1, double v)
{
    const double t = std::clamp((v - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// ---------------------------------------------------------------------------------------------
// Camera paths

struct PathPoint {
    Vec3d eye, view, up;
};

// Nine numbers per line: eye, point looked at, up.
bool writePath(const std::string& folder, const std::string& name, const std::vector<PathPoint>& points,
               Progress& progress)
{
    const std::string path = folder + "/" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "datakit: cannot write %s\n", name.c_str());
        return false;
    }
    for (const PathPoint& p : points)
        std::fprintf(file, "%.4f %.4f %.4f %.4f %.4f %.4f %.4f %.4f %.4f\n", p.eye.x, p.eye.y, p.eye.z, p.view.x,
                     p.view.y, p.view.z, p.up.x, p.up.y, p.up.z);
    const bool ok = std::fclose(file) == 0;
    if (!ok)
        std::fprintf(stderr, "datakit: cannot finish %s\n", name.c_str());
    else
        progress.wrote(name);
    return ok;
}

// Parameters of curve from t0 to t1 at even arc-length steps of spacing (the first at t0),
// from a dense table of chords. Even steps give the camera an even speed under jumpTo, which
// moves by whole segments.
std::vector<double> evenSteps(const std::function<Vec3d(double)>& curve, double t0, double t1, double spacing)
{
    constexpr int tableSteps = 40000;
    std::vector<double> params{t0}, lengths{0.0};
    Vec3d previous = curve(t0);
    for (int i = 1; i <= tableSteps; ++i) {
        const double t = t0 + (t1 - t0) * i / tableSteps;
        const Vec3d p = curve(t);
        lengths.push_back(lengths.back() + (p - previous).length());
        params.push_back(t);
        previous = p;
    }
    std::vector<double> steps;
    size_t j = 1;
    for (double target = 0; target <= lengths.back(); target += spacing) {
        while (j + 1 < lengths.size() && lengths[j] < target)
            ++j;
        const double span = lengths[j] - lengths[j - 1];
        const double k = span > 0 ? std::clamp((target - lengths[j - 1]) / span, 0.0, 1.0) : 0.0;
        steps.push_back(params[j - 1] + k * (params[j] - params[j - 1]));
    }
    return steps;
}

// Up turned by roll radians about the line of sight, from the world's up made square to it.
Vec3d rolledUp(const Vec3d& eye, const Vec3d& view, double roll)
{
    const Vec3d forward = (view - eye).normalized();
    const Vec3d worldUp{0, 1, 0};
    const Vec3d level = (worldUp - forward * forward.dot(worldUp)).normalized();
    const Vec3d side = forward.cross(level);
    return level * std::cos(roll) + side * std::sin(roll);
}

// The landscape flight: loops around the hollow, radii swelling and shrinking so no lap
// repeats the last, the look-at point drifting over the area where the balls roll.
namespace landscape {

constexpr double centreX = 0.55, centreZ = -4.4; // the loops' centre, west of the hollow so x stays inside
constexpr double hollowX = 0.96, hollowZ = -4.72;  // where the balls gather
constexpr double fineSpacing = 0.05;                // units between envelope samples
constexpr int samplesPerControlPoint = 10;          // control points every 0.5 units
constexpr double pathLength = 100.0;                // the scenes fly about 28 units, then 85 more
constexpr double groundRadius = 0.4;                // the disc whose highest ground the eye clears
constexpr double envelopeWindow = 1.0;              // units either way for the smoothed envelope

Vec3d loopAt(double theta)
{
    const double rx = 2.35 + 0.35 * std::sin(0.63 * theta + 0.4);
    const double rz = 3.7 + 0.55 * std::sin(0.47 * theta + 1.1);
    return {centreX + rx * std::cos(theta), 0.0, centreZ + rz * std::sin(theta)};
}

// The highest ground on a disc around (x, z).
double groundAround(double x, double z)
{
    double high = landscapeHeight(float(x), float(z));
    for (int ring = 1; ring <= 3; ++ring)
        for (int k = 0; k < 12; ++k) {
            const double a = 2 * pi * k / 12 + ring * 0.4;
            const double r = groundRadius * ring / 3;
            high = std::max(high, double(landscapeHeight(float(x + r * std::cos(a)), float(z + r * std::sin(a)))));
        }
    return high;
}

// Running maximum then running mean over the same window: smooth, and never below the input
// at any sample, because every value the mean takes is at least the input there.
std::vector<double> smoothEnvelope(const std::vector<double>& ground, int window)
{
    const int n = int(ground.size());
    std::vector<double> highest(ground.size()), smooth(ground.size());
    for (int i = 0; i < n; ++i) {
        double m = ground[size_t(i)];
        for (int j = std::max(0, i - window); j <= std::min(n - 1, i + window); ++j)
            m = std::max(m, ground[size_t(j)]);
        highest[size_t(i)] = m;
    }
    for (int i = 0; i < n; ++i) {
        double sum = 0;
        int count = 0;
        for (int j = std::max(0, i - window); j <= std::min(n - 1, i + window); ++j, ++count)
            sum += highest[size_t(j)];
        smooth[size_t(i)] = sum / count;
    }
    return smooth;
}

std::vector<PathPoint> flight()
{
    // Starts on the far side of the hollow, looking back over it with the light behind.
    const double theta0 = -pi / 2;
    const std::vector<double> thetas = evenSteps(loopAt, theta0, theta0 + 12 * pi, fineSpacing);
    const size_t fineCount = size_t((pathLength + 2.0) / fineSpacing) + 1;
    std::vector<Vec3d> track;
    std::vector<double> ground;
    for (size_t i = 0; i < fineCount && i < thetas.size(); ++i) {
        track.push_back(loopAt(thetas[i]));
        ground.push_back(groundAround(track.back().x, track.back().z));
    }
    const std::vector<double> envelope = smoothEnvelope(ground, int(envelopeWindow / fineSpacing));

    std::vector<PathPoint> points;
    for (size_t i = 0; i < track.size(); i += samplesPerControlPoint) {
        const double s = double(i) * fineSpacing; // distance flown
        // Between 0.3 and 0.9 above the envelope: dips and climbs of different lengths.
        const double clearance = 0.6 + 0.22 * std::sin(2 * pi * s / 17.0 + 0.5) + 0.08 * std::sin(2 * pi * s / 7.3);
        PathPoint p;
        p.eye = {track[i].x, envelope[i] + clearance, track[i].z};
        p.view = {hollowX + 0.35 * std::sin(0.31 * s), -2.25 + 0.1 * std::sin(0.23 * s),
                  hollowZ + 1.0 * std::sin(0.19 * s + 0.8)};
        p.up = rolledUp(p.eye, p.view, 0.1 * std::sin(0.4 * s));
        points.push_back(p);
    }
    return points;
}

} // namespace landscape

// ---------------------------------------------------------------------------------------------
// The space structure

namespace space {

constexpr double modelUnitsPerWorldUnit = 10.0; // the scene scales the model by 0.1

// The four sections along -z (world units).
constexpr double tubeStartZ = -1.0, tubeRingStep = 3.5; // octagonal tube
constexpr int tubeRings = 8;
constexpr double tubeApothem = 3.5, tubeDepth = 0.5, tubeRingLength = 0.6;
constexpr double trussFirstGateZ = -31.5, trussGateStep = 7.0; // open truss of gates
constexpr int trussGates = 4;
constexpr double trussHalfWidth = 7.5, trussHalfHeight = 4.5;
constexpr double slalomStartZ = -28.0, slalomWavelength = 14.0, slalomAmplitude = 1.8;
constexpr double bulkheadZ = slalomStartZ - 2 * slalomWavelength; // the slalom is back on the axis here
constexpr double twistStartZ = -57.5, twistRingStep = 2.4; // square tube of twisting frames
constexpr int twistRings = 12;
constexpr double twistApothem = 2.8, twistDepth = 0.35, twistDegreesPerRing = 5.0;
constexpr double hubRingZ = -91.0, farWallZ = -102.0;

// How much of each section's motion applies at z: all of it inside, blended across the seams.
constexpr double seamHalfWidth = 2.0;
double tubeWeight(double z) { return smoothstep(slalomStartZ - seamHalfWidth, slalomStartZ + seamHalfWidth, z); }
double twistWeight(double z) { return 1.0 - smoothstep(bulkheadZ - seamHalfWidth, bulkheadZ + seamHalfWidth, z); }
double trussWeight(double z) { return 1.0 - tubeWeight(z) - twistWeight(z); }
double slalomAt(double z) { return std::sin(2 * pi * (z - slalomStartZ) / slalomWavelength); }

// The eye's line: a gentle weave in the tubes, a slalom between the truss gates.
Vec3d eyeAt(double z)
{
    const double x = 0.8 * std::sin(0.15 * z) * tubeWeight(z) + slalomAmplitude * slalomAt(z) * trussWeight(z)
        + 0.5 * std::sin(0.21 * z + 0.3) * twistWeight(z);
    return {x, 0.6 * std::sin(0.11 * z + 1.0), z};
}

// Radians about the line of sight: a sway, banking into the slalom's turns, then a slow turn
// (about a third of a right angle) along with the twisting frames.
double rollAt(double z)
{
    const double twist = 0.6 * smoothstep(bulkheadZ, bulkheadZ - 30.0, z);
    return 0.12 * std::sin(0.2 * z) - 0.35 * slalomAt(z) * trussWeight(z) + twist;
}

constexpr double startZ = 5.0, endZ = -98.0; // the first and last control points (guides)
constexpr double lookAhead = 7.0;            // units along -z to the point looked at
constexpr double pathSpacing = 1.0;

std::vector<PathPoint> flight()
{
    auto curve = [](double t) { return eyeAt(startZ - t); };
    std::vector<PathPoint> points;
    for (double t : evenSteps(curve, 0.0, startZ - endZ, pathSpacing)) {
        const double z = startZ - t;
        PathPoint p;
        p.eye = eyeAt(z);
        p.view = eyeAt(z - lookAhead);
        p.up = rolledUp(p.eye, p.view, rollAt(z));
        points.push_back(p);
    }
    return points;
}

// A box: centre, right-handed unit axes and half sizes along them (world units).
struct Box {
    Vec3d centre;
    Vec3d axis[3];
    double half[3];
};

Box alignedBox(const Vec3d& centre, double hx, double hy, double hz)
{
    return {centre, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {hx, hy, hz}};
}

// A beam from a to b whose square cross-section is side wide.
Box beam(const Vec3d& a, const Vec3d& b, double side)
{
    const Vec3d u = (b - a).normalized();
    const Vec3d helper = std::fabs(u.y) < 0.9 ? Vec3d{0, 1, 0} : Vec3d{1, 0, 0};
    const Vec3d w = u.cross(helper).normalized();
    const Vec3d v = w.cross(u);
    return {(a + b) * 0.5, {u, v, w}, {(b - a).length() * 0.5, side * 0.5, side * 0.5}};
}

Vec3 modelPoint(const Vec3d& p)
{
    return Vec3(p.x * modelUnitsPerWorldUnit, p.y * modelUnitsPerWorldUnit, p.z * modelUnitsPerWorldUnit);
}

// How a part's picture lies on its faces.
struct Mapping {
    int material = 0;
    double worldUnitsPerRepeat = 0; // 0: the picture once on every face
    double pictureSpan = 1.0;       // with 0 above: the middle part of the picture each face shows
};

// One quad from four corners given counterclockwise seen from outside, with its own smoothing
// group so every side of a box keeps a flat normal.
void addQuad(MeshBuilder& mesh, const Vec3 corners[4], const Vec3d world[4], const Mapping& mapping,
             uint32_t smoothing)
{
    const Vec3d e1 = world[1] - world[0], e2 = world[3] - world[0];
    const double l1 = e1.length(), l2 = e2.length();
    uint16_t index[4];
    for (int k = 0; k < 4; ++k) {
        const double s = (k == 1 || k == 2) ? 1.0 : 0.0, t = k >= 2 ? 1.0 : 0.0;
        const double span = mapping.pictureSpan;
        Vec2 uv{float(0.5 + (s - 0.5) * span), float(0.5 + (t - 0.5) * span)};
        if (mapping.worldUnitsPerRepeat > 0) {
            // Repeats counted from the world origin, so neighbouring parts continue the pattern.
            const Vec3d d1 = e1 * (1.0 / l1), d2 = e2 * (1.0 / l2);
            uv = Vec2{float(world[k].dot(d1) / mapping.worldUnitsPerRepeat),
                      float(world[k].dot(d2) / mapping.worldUnitsPerRepeat)};
        }
        index[k] = mesh.addVertex(corners[k], uv);
    }
    mesh.addFace(index[0], index[1], index[2], smoothing, mapping.material);
    mesh.addFace(index[0], index[2], index[3], smoothing, mapping.material);
}

void addBox(MeshBuilder& mesh, const Box& box, const Mapping& mapping)
{
    Vec3d world[8];
    Vec3 corners[8];
    for (int i = 0; i < 8; ++i) {
        Vec3d p = box.centre;
        for (int a = 0; a < 3; ++a)
            p = p + box.axis[a] * (((i >> a) & 1) ? box.half[a] : -box.half[a]);
        world[i] = p;
        corners[i] = modelPoint(p);
    }
    // Face a of sign s: the other two axes b, c with b x c = a, walked (-,-) (+,-) (+,+) (-,+)
    // for the positive face and the other way round for the negative one.
    for (int a = 0; a < 3; ++a) {
        const int b = (a + 1) % 3, c = (a + 2) % 3;
        for (int sign = 0; sign < 2; ++sign) {
            const int walk[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
            Vec3 quad[4];
            Vec3d quadWorld[4];
            for (int k = 0; k < 4; ++k) {
                const int step = sign ? k : (4 - k) % 4;
                const int i = (sign << a) | (walk[step][0] << b) | (walk[step][1] << c);
                quad[k] = corners[i];
                quadWorld[k] = world[i];
            }
            addQuad(mesh, quad, quadWorld, mapping, 1u << (2 * a + sign));
        }
    }
}

// A closed tube from a to b: sides smooth, flat caps; every corner computed once.
void addTube(MeshBuilder& mesh, const Vec3d& a, const Vec3d& b, double radius, int sides, const Mapping& mapping)
{
    const Box frame = beam(a, b, 1.0);
    const Vec3d& v = frame.axis[1];
    const Vec3d& w = frame.axis[2];
    std::vector<Vec3d> ringWorld[2];
    std::vector<Vec3> ring[2];
    for (int end = 0; end < 2; ++end)
        for (int s = 0; s < sides; ++s) {
            const double angle = 2 * pi * s / sides;
            const Vec3d p = (end ? b : a) + v * (radius * std::cos(angle)) + w * (radius * std::sin(angle));
            ringWorld[end].push_back(p);
            ring[end].push_back(modelPoint(p));
        }
    const double length = (b - a).length();
    const double repeat = mapping.worldUnitsPerRepeat > 0 ? mapping.worldUnitsPerRepeat : length;
    // Sides: the last column repeats the first position with u = 1.
    const uint16_t first = uint16_t(mesh.vertices.size());
    for (int end = 0; end < 2; ++end)
        for (int s = 0; s <= sides; ++s)
            mesh.addVertex(ring[end][size_t(s % sides)],
                           Vec2{float(s) / float(sides), float(end ? length / repeat : 0.0)});
    auto side = [&](int end, int s) { return uint16_t(first + end * (sides + 1) + s); };
    for (int s = 0; s < sides; ++s) {
        mesh.addFace(side(0, s), side(0, s + 1), side(1, s + 1), 1, mapping.material);
        mesh.addFace(side(0, s), side(1, s + 1), side(1, s), 1, mapping.material);
    }
    for (int end = 0; end < 2; ++end) {
        const uint16_t centre = mesh.addVertex(modelPoint(end ? b : a), Vec2{0.5f, 0.5f});
        const uint16_t rim = uint16_t(mesh.vertices.size());
        for (int s = 0; s < sides; ++s) {
            const double angle = 2 * pi * s / sides;
            mesh.addVertex(ring[end][size_t(s)],
                           Vec2{float(0.5 + 0.5 * std::cos(angle)), float(0.5 + 0.5 * std::sin(angle))});
        }
        for (int s = 0; s < sides; ++s) {
            const uint16_t p = uint16_t(rim + s), q = uint16_t(rim + (s + 1) % sides);
            if (end)
                mesh.addFace(centre, p, q, 2u << end, mapping.material);
            else
                mesh.addFace(centre, q, p, 2u << end, mapping.material);
        }
    }
}

// A frame of `sides` beams around the z axis at z: inner faces at apothem from the axis,
// beams long enough to meet at the corners, turned by rotation radians.
void addFrame(MeshBuilder& mesh, double z, int sides, double apothem, double depth, double length,
              double rotation, const Mapping& mapping)
{
    const double halfSide = (apothem + depth) * std::tan(pi / sides);
    for (int k = 0; k < sides; ++k) {
        const double phi = rotation + 2 * pi * k / sides;
        const Vec3d radial{std::cos(phi), std::sin(phi), 0}, tangent{-std::sin(phi), std::cos(phi), 0};
        const Vec3d centre = radial * (apothem + depth * 0.5) + Vec3d{0, 0, z};
        addBox(mesh, Box{centre, {radial, tangent, {0, 0, 1}}, {depth * 0.5, halfSide, length * 0.5}}, mapping);
    }
}

// A hull plate on side k of a frame, just outside its beams, from z0 to z1.
Box plate(int sides, int k, double apothem, double depth, double rotation, double z0, double z1)
{
    const double thickness = 0.15;
    const double phi = rotation + 2 * pi * k / sides;
    const Vec3d radial{std::cos(phi), std::sin(phi), 0}, tangent{-std::sin(phi), std::cos(phi), 0};
    const double halfSide = apothem * std::tan(pi / sides) * 0.96;
    const Vec3d centre = radial * (apothem + depth + thickness * 0.5) + Vec3d{0, 0, 0.5 * (z0 + z1)};
    return Box{centre, {radial, tangent, {0, 0, 1}}, {thickness * 0.5, halfSide, std::fabs(z1 - z0) * 0.5}};
}

// A square wall at z across [-half, half]^2 with a square hole of half size hole.
void addBulkhead(MeshBuilder& mesh, double z, double half, double hole, double thickness, const Mapping& mapping)
{
    const double band = (half - hole) * 0.5, middle = (half + hole) * 0.5;
    addBox(mesh, alignedBox({0, middle, z}, half, band, thickness * 0.5), mapping);
    addBox(mesh, alignedBox({0, -middle, z}, half, band, thickness * 0.5), mapping);
    addBox(mesh, alignedBox({middle, 0, z}, band, hole, thickness * 0.5), mapping);
    addBox(mesh, alignedBox({-middle, 0, z}, band, hole, thickness * 0.5), mapping);
}

// Each section fills its parts side by side and hands them to the writer when done (a
// reference into the writer's list would not survive the next part added to it).
MeshBuilder part(const std::string& name)
{
    MeshBuilder mesh;
    mesh.name = name;
    return mesh;
}

void keep(Writer3DS& writer, std::initializer_list<MeshBuilder*> parts)
{
    for (MeshBuilder* mesh : parts)
        writer.meshes.push_back(std::move(*mesh));
}

enum MaterialIndex { chromeMaterial, hullMaterial, platingMaterial, lampMaterial, stripeMaterial };

// Lamps show only the bright middle of the light spot, so every side of them glows.
constexpr Mapping lampMapping{lampMaterial, 0.0, 0.3};

void addTubeSection(Writer3DS& writer, Random& random)
{
    MeshBuilder gate = part("tubeGate");
    MeshBuilder frames = part("tubeFrames");
    MeshBuilder hull = part("tubeHull");
    MeshBuilder rails = part("tubeRails");
    MeshBuilder lamps = part("tubeLamps");
    const Mapping frameMap{chromeMaterial, 0.0}, hullMap{hullMaterial, 4.0}, railMap{platingMaterial, 2.0},
        lampMap = lampMapping;
    const double rotation = 0.0; // beams across the floor, the ceiling and both walls
    // The entrance gate, wider and deeper than the frames behind it.
    addFrame(gate, 1.0, 8, 4.2, 0.9, 1.2, rotation, Mapping{stripeMaterial, 3.0});
    const double lastZ = tubeStartZ - tubeRingStep * (tubeRings - 1);
    for (int r = 0; r < tubeRings; ++r) {
        const double z = tubeStartZ - tubeRingStep * r;
        addFrame(frames, z, 8, tubeApothem, tubeDepth, tubeRingLength, rotation, frameMap);
        // A lamp on the inner face of every other beam, alternating from frame to frame.
        for (int k = r % 2; k < 8; k += 2) {
            const double phi = rotation + 2 * pi * k / 8;
            const Vec3d corner{tubeApothem * std::cos(phi), tubeApothem * std::sin(phi), z};
            addBox(lamps, alignedBox(corner, 0.22, 0.22, 0.22), lampMap);
        }
        if (r + 1 == tubeRings)
            break;
        // Plates on about half the sides between this frame and the next, leaving windows.
        for (int k = 0; k < 8; ++k)
            if (random.unit() < 0.5f)
                addBox(hull, plate(8, k, tubeApothem, tubeDepth, rotation, z, z - tubeRingStep), hullMap);
    }
    // Four rails along the corners, a little outside the frames.
    const double cornerRadius = (tubeApothem + tubeDepth * 0.5) / std::cos(pi / 8);
    for (int k = 0; k < 8; k += 2) {
        const double phi = rotation + pi / 8 + 2 * pi * k / 8;
        const Vec3d offset{cornerRadius * std::cos(phi), cornerRadius * std::sin(phi), 0};
        addBox(rails, beam(offset + Vec3d{0, 0, 1.5}, offset + Vec3d{0, 0, lastZ - 1.0}, 0.35), railMap);
    }
    keep(writer, {&gate, &frames, &hull, &rails, &lamps});
}

void addTrussSection(Writer3DS& writer)
{
    MeshBuilder pylons = part("trussPylons");
    MeshBuilder girders = part("trussGirders");
    MeshBuilder lamps = part("trussLamps");
    const Mapping pylonMap{hullMaterial, 3.0}, girderMap{chromeMaterial, 0.0}, lampMap = lampMapping;
    const double w = trussHalfWidth, h = trussHalfHeight;
    const double firstZ = trussFirstGateZ + 4.0, lastZ = trussFirstGateZ - trussGateStep * (trussGates - 1) - 4.0;
    for (int g = 0; g < trussGates; ++g) {
        const double z = trussFirstGateZ - trussGateStep * g;
        // The eye swings to -x at the first gate, so its pylon stands at +x; then they alternate.
        const double side = g % 2 == 0 ? 1.0 : -1.0;
        addBox(pylons, alignedBox({side * 3.4, 0, z}, 0.6, h + 1.5, 0.6), pylonMap);
        addBox(lamps, alignedBox({side * 3.4 - side * 0.65, 0, z}, 0.06, 0.4, 0.4), lampMap);
        for (double x : {-w, w})
            addBox(girders, alignedBox({x, 0, z}, 0.45, h + 0.45, 0.45), girderMap);
        for (double y : {-h, h})
            addBox(girders, alignedBox({0, y, z}, w + 0.45, 0.4, 0.4), girderMap);
        if (g + 1 < trussGates) {
            // Diagonal braces on both sides, the top and the bottom, to the next gate.
            const double next = z - trussGateStep;
            addBox(girders, beam({w, -h, z}, {w, h, next}, 0.3), girderMap);
            addBox(girders, beam({-w, h, z}, {-w, -h, next}, 0.3), girderMap);
            addBox(girders, beam({-w, h, z}, {w, h, next}, 0.3), girderMap);
            addBox(girders, beam({w, -h, z}, {-w, -h, next}, 0.3), girderMap);
        }
    }
    // Longerons along the four outer corners, from the tube's end to the bulkhead.
    for (double x : {-w, w})
        for (double y : {-h, h})
            addBox(girders, beam({x, y, firstZ + 2.0}, {x, y, lastZ - 1.5}, 0.5), girderMap);
    MeshBuilder hull = part("bulkhead");
    addBulkhead(hull, bulkheadZ, w + 0.5, twistApothem + twistDepth, 0.6, Mapping{hullMaterial, 4.0});
    keep(writer, {&pylons, &girders, &lamps, &hull});
}

void addTwistSection(Writer3DS& writer, Random& random)
{
    MeshBuilder frames = part("twistFrames");
    MeshBuilder hull = part("twistHull");
    const Mapping frameMap{stripeMaterial, 2.5}, hullMap{hullMaterial, 3.0};
    for (int r = 0; r < twistRings; ++r) {
        const double z = twistStartZ - twistRingStep * r;
        // The first frame lines up with the bulkhead's square hole.
        const double rotation = twistDegreesPerRing * r * pi / 180.0;
        addFrame(frames, z, 4, twistApothem, twistDepth, 0.5, rotation, frameMap);
        if (r + 1 == twistRings)
            break;
        const double between = rotation + twistDegreesPerRing * 0.5 * pi / 180.0;
        for (int k = 0; k < 4; ++k)
            if (random.unit() < 0.45f)
                addBox(hull, plate(4, k, twistApothem, twistDepth, between, z - 0.3, z - twistRingStep + 0.3), hullMap);
    }
    keep(writer, {&frames, &hull});
}

void addHub(Writer3DS& writer)
{
    MeshBuilder frame = part("hubFrame");
    MeshBuilder collar = part("hubCollar");
    MeshBuilder wall = part("farWall");
    MeshBuilder spokes = part("hubSpokes");
    // Two frames either side of the flight's end, inside the field of view until the last moment.
    addFrame(frame, hubRingZ, 8, 4.0, 0.8, 1.2, pi / 8, Mapping{stripeMaterial, 3.0});
    addFrame(collar, hubRingZ - 4.0, 8, 5.2, 0.8, 1.0, 0.0, Mapping{chromeMaterial, 0.0});
    addBulkhead(wall, farWallZ, 16.0, 3.0, 1.0, Mapping{hullMaterial, 5.0});
    // A tube spoke from each corner of the collar out to the wall.
    for (int k = 0; k < 8; ++k) {
        const double phi = pi / 8 + 2 * pi * k / 8;
        const Vec3d rim{6.2 * std::cos(phi), 6.2 * std::sin(phi), 0};
        addTube(spokes, rim + Vec3d{0, 0, hubRingZ - 4.0}, rim * 1.5 + Vec3d{0, 0, farWallZ + 0.5}, 0.3, 8,
                Mapping{chromeMaterial, 0.0});
    }
    // A bank of lamps behind the wall's hole, where the flight ends.
    MeshBuilder lamps = part("hubLamps");
    for (int i = -1; i <= 1; ++i)
        for (int j = -1; j <= 1; ++j)
            addBox(lamps, alignedBox({2.2 * i, 2.2 * j, farWallZ - 9.0 - 2.0 * std::abs(i + j)}, 0.6, 0.6, 0.6),
                   lampMapping);
    keep(writer, {&frame, &collar, &wall, &spokes, &lamps});
}

// Station modules, a spine and drifting blocks all around the route, seen through the gaps.
void addSurroundings(Writer3DS& writer, Random& random)
{
    MeshBuilder modules = part("modules");
    MeshBuilder blocks = part("blocks");
    const Mapping moduleMap{platingMaterial, 8.0}, blockMap{hullMaterial, 3.0};
    // The spine under the truss and three long modules along the route.
    addTube(modules, {0, -7.5, -22.0}, {0, -7.5, -60.0}, 1.2, 12, moduleMap);
    addTube(modules, {-12.0, -2.0, -20.0}, {-12.0, -2.0, -48.0}, 2.2, 16, moduleMap);
    addTube(modules, {11.0, 3.0, -38.0}, {11.0, 3.0, -70.0}, 2.0, 16, moduleMap);
    addTube(modules, {-9.0, 6.0, -62.0}, {-9.0, 6.0, -88.0}, 1.8, 16, moduleMap);
    for (int i = 0; i < 44; ++i) {
        const double phi = random.range(0.0f, float(2 * pi));
        const double distance = random.range(11.0f, 24.0f);
        const double z = random.range(-104.0f, 6.0f);
        const double hx = random.range(0.6f, 2.5f), hy = random.range(0.6f, 2.5f), hz = random.range(1.5f, 6.0f);
        const Vec3d centre{distance * std::cos(phi), distance * std::sin(phi), z};
        if (i % 3 == 0)
            addTube(modules, centre + Vec3d{0, 0, hz}, centre - Vec3d{0, 0, hz}, std::min(hx, hy) + 0.4, 12, moduleMap);
        else
            addBox(blocks, alignedBox(centre, hx, hy, hz), blockMap);
    }
    keep(writer, {&modules, &blocks});
}

bool writeStructure(const std::string& folder, Progress& progress)
{
    Writer3DS writer;
    // In MaterialIndex order.
    writer.addMaterial("chrome").textureMap1.fileName = "tunnel2.jpg";
    writer.addMaterial("hull").textureMap1.fileName = "bg003x.jpg";
    writer.addMaterial("plating").textureMap1.fileName = "tex1.jpg";
    writer.addMaterial("lamp").textureMap1.fileName = "light.jpg";
    writer.addMaterial("stripes").textureMap1.fileName = "checker.jpg";
    Random random(2024);
    addTubeSection(writer, random);
    addTrussSection(writer);
    addTwistSection(writer, random);
    addHub(writer);
    addSurroundings(writer, random);
    std::string error;
    if (!writer.writeFile(folder + "/space.3ds", &error)) {
        std::fprintf(stderr, "datakit: cannot write space.3ds: %s\n", error.c_str());
        return false;
    }
    progress.wrote("space.3ds");
    return true;
}

} // namespace space

} // namespace

int flightDataFileCount() { return 3; }

bool writeFlightData(const std::string& folder, Progress& progress)
{
    return space::writeStructure(folder, progress) && writePath(folder, "space1.pos", space::flight(), progress)
        && writePath(folder, "boll.pos", landscape::flight(), progress);
}

} // namespace datakit
