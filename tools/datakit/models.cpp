// The models that are not text: the ball, the unused ring, and the molecule, brain and head
// of the morph chain. Every shape is built from a closed grid of shared corners, so the
// neighbour search (which compares positions exactly) finds every edge's partner: the poles
// are one vertex each, and a seam column is computed from the very same angle as the first
// column, which gives bit-identical positions.
#include "tools/datakit/datakit.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "assets/writer3ds.h"

namespace datakit {

namespace {

constexpr double pi = 3.14159265358979323846;

// A point on a sphere-like surface for polar angle theta (0 at +y) and azimuth phi.
using Surface = std::function<Vec3(double theta, double phi)>;

// The unit direction for the two angles; azimuth pi/2 looks along +z.
Vec3 direction(double theta, double phi)
{
    return Vec3(std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi));
}

// A closed latitude-longitude grid over surface: one vertex per pole, rings - 1 rings of
// segments + 1 corners (the last repeating the first at u = 1), faces wound counterclockwise
// seen from outside.
void addSphereGrid(MeshBuilder& mesh, int rings, int segments, const Surface& surface,
                   uint32_t smoothing, int material)
{
    const uint16_t first = uint16_t(mesh.vertices.size());
    auto index = [&](int ring, int segment) {
        return uint16_t(first + 1 + (ring - 1) * (segments + 1) + segment);
    };
    mesh.addVertex(surface(0.0, 0.0), Vec2{0.5f, 0.0f});
    for (int ring = 1; ring < rings; ++ring) {
        const double theta = pi * ring / rings;
        for (int segment = 0; segment <= segments; ++segment) {
            const double phi = 2 * pi * (segment % segments) / segments;
            mesh.addVertex(surface(theta, phi), Vec2{float(segment) / float(segments), float(ring) / float(rings)});
        }
    }
    const uint16_t south = mesh.addVertex(surface(pi, 0.0), Vec2{0.5f, 1.0f});
    for (int segment = 0; segment < segments; ++segment) {
        mesh.addFace(first, index(1, segment + 1), index(1, segment), smoothing, material);
        for (int ring = 1; ring + 1 < rings; ++ring) {
            mesh.addFace(index(ring, segment), index(ring, segment + 1), index(ring + 1, segment + 1), smoothing, material);
            mesh.addFace(index(ring, segment), index(ring + 1, segment + 1), index(ring + 1, segment), smoothing, material);
        }
        mesh.addFace(index(rings - 1, segment), index(rings - 1, segment + 1), south, smoothing, material);
    }
}

bool finish(const Writer3DS& writer, const std::string& folder, const std::string& name, Progress& progress)
{
    std::string error;
    if (!writer.writeFile(folder + "/" + name, &error)) {
        std::fprintf(stderr, "datakit: cannot write %s: %s\n", name.c_str(), error.c_str());
        return false;
    }
    progress.wrote(name);
    return true;
}

// The ball: radius 100 around the origin, the checkerboard wrapped once around it.
bool writeBall(const std::string& folder, Progress& progress)
{
    Writer3DS writer;
    writer.addMaterial("checker").textureMap1.fileName = "checker.jpg";
    MeshBuilder& mesh = writer.addMesh("ball");
    addSphereGrid(mesh, 16, 24, [](double theta, double phi) { return direction(theta, phi) * 100.0; }, 1, 0);
    return finish(writer, folder, "ball3.3ds", progress);
}

// A torus about 300 units across: tube radius 30 around a circle of radius 120, in the x-z
// plane. Both directions wrap by index, so every corner is shared outright.
bool writeRing(const std::string& folder, Progress& progress)
{
    Writer3DS writer;
    MaterialInput& material = writer.addMaterial("ring");
    material.diffuse = ModelColor{0.7f, 0.75f, 0.8f};
    material.specular = ModelColor{0.9f, 0.9f, 0.9f};
    material.shininess = 0.6f;
    MeshBuilder& mesh = writer.addMesh("ring");
    constexpr int around = 32, tube = 12;
    constexpr double major = 120.0, minor = 30.0;
    for (int i = 0; i < around; ++i) {
        const double a = 2 * pi * i / around;
        for (int j = 0; j < tube; ++j) {
            const double b = 2 * pi * j / tube;
            const double r = major + minor * std::cos(b);
            mesh.addVertex(Vec3(r * std::cos(a), minor * std::sin(b), r * std::sin(a)),
                           Vec2{float(i) / around, float(j) / tube});
        }
    }
    auto index = [&](int i, int j) { return uint16_t((i % around) * tube + (j % tube)); };
    for (int i = 0; i < around; ++i)
        for (int j = 0; j < tube; ++j) {
            // Outward normal: (next tube step) x (next step around) points away from the tube axis.
            mesh.addFace(index(i, j), index(i, j + 1), index(i + 1, j + 1), 1, 0);
            mesh.addFace(index(i, j), index(i + 1, j + 1), index(i + 1, j), 1, 0);
        }
    return finish(writer, folder, "xcircle.3ds", progress);
}

// A closed cylinder from a to b with flat caps; each cap's centre is its own vertex.
void addStick(MeshBuilder& mesh, const Vec3& a, const Vec3& b, double radius, int sides,
              uint32_t smoothing, int material)
{
    const double ax = double(b.x) - a.x, ay = double(b.y) - a.y, az = double(b.z) - a.z;
    const double length = std::sqrt(ax * ax + ay * ay + az * az);
    const double dx = ax / length, dy = ay / length, dz = az / length;
    // Any vector not along the axis gives the first side direction.
    double hx = 0, hy = 1, hz = 0;
    if (std::fabs(dy) > 0.9) { hx = 1; hy = 0; }
    double ux = hy * dz - hz * dy, uy = hz * dx - hx * dz, uz = hx * dy - hy * dx;
    const double ul = std::sqrt(ux * ux + uy * uy + uz * uz);
    ux /= ul; uy /= ul; uz /= ul;
    const double vx = dy * uz - dz * uy, vy = dz * ux - dx * uz, vz = dx * uy - dy * ux;

    const uint16_t first = uint16_t(mesh.vertices.size());
    for (int end = 0; end < 2; ++end) {
        const Vec3& base = end == 0 ? a : b;
        for (int s = 0; s < sides; ++s) {
            const double angle = 2 * pi * s / sides;
            const double c = radius * std::cos(angle), n = radius * std::sin(angle);
            mesh.addVertex(Vec3(base.x + c * ux + n * vx, base.y + c * uy + n * vy, base.z + c * uz + n * vz),
                           Vec2{float(s) / float(sides), float(end)});
        }
    }
    const uint16_t capA = mesh.addVertex(a, Vec2{0.5f, 0.0f});
    const uint16_t capB = mesh.addVertex(b, Vec2{0.5f, 1.0f});
    auto ringA = [&](int s) { return uint16_t(first + s % sides); };
    auto ringB = [&](int s) { return uint16_t(first + sides + s % sides); };
    for (int s = 0; s < sides; ++s) {
        // Side directions turn from u towards v, counterclockwise seen from b's end.
        mesh.addFace(ringA(s), ringA(s + 1), ringB(s + 1), smoothing, material);
        mesh.addFace(ringA(s), ringB(s + 1), ringB(s), smoothing, material);
        mesh.addFace(capA, ringA(s + 1), ringA(s), smoothing, material);
        mesh.addFace(capB, ringB(s), ringB(s + 1), smoothing, material);
    }
}

// Eight balls of radius 2 joined by sticks of radius 0.5, about 16 units across in all.
bool writeMolecule(const std::string& folder, Progress& progress)
{
    Writer3DS writer;
    MaterialInput& material = writer.addMaterial("molecule");
    material.diffuse = ModelColor{0.6f, 0.8f, 0.65f};
    material.specular = ModelColor{1.0f, 1.0f, 1.0f};
    material.shininess = 0.7f;
    const Vec3 atoms[8] = {
        Vec3(0.0, 0.0, 0.0),   Vec3(3.6, 1.8, 0.6),   Vec3(-3.4, 2.0, -0.8), Vec3(0.4, -3.8, 1.0),
        Vec3(6.0, -0.6, -1.2), Vec3(-6.0, -0.2, 1.0), Vec3(-1.2, 5.6, 0.4),  Vec3(2.6, -5.4, -1.6),
    };
    const int bonds[9][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 4}, {2, 5}, {2, 6}, {3, 7}, {1, 6}, {3, 5}};
    for (int i = 0; i < 8; ++i) {
        MeshBuilder& ball = writer.addMesh("atom" + std::to_string(i + 1));
        const Vec3 centre = atoms[i];
        addSphereGrid(ball, 12, 16, [&](double theta, double phi) {
            const Vec3 d = direction(theta, phi);
            return Vec3(centre.x + 2.0 * d.x, centre.y + 2.0 * d.y, centre.z + 2.0 * d.z);
        }, 1, 0);
    }
    for (int i = 0; i < 9; ++i) {
        MeshBuilder& stick = writer.addMesh("bond" + std::to_string(i + 1));
        addStick(stick, atoms[bonds[i][0]], atoms[bonds[i][1]], 0.5, 12, 2, 0);
    }
    return finish(writer, folder, "thcmolekyl.3ds", progress);
}

// The brain: an ellipsoid about 320 units long with winding folds pressed into it and a
// groove between its halves.
bool writeBrain(const std::string& folder, Progress& progress)
{
    Writer3DS writer;
    MaterialInput& material = writer.addMaterial("brain");
    material.diffuse = ModelColor{0.85f, 0.6f, 0.6f};
    material.specular = ModelColor{0.5f, 0.4f, 0.4f};
    material.shininess = 0.3f;
    MeshBuilder& mesh = writer.addMesh("brain");
    addSphereGrid(mesh, 40, 56, [](double theta, double phi) {
        const Vec3 d = direction(theta, phi);
        const double x = d.x, y = d.y, z = d.z;
        // Folds: ridges where warped sines cross zero, so they wind instead of running straight.
        const double w1 = std::sin(7.0 * x + 2.0 * std::sin(5.0 * z)) + std::sin(6.0 * y + 1.7 * std::cos(4.0 * x));
        const double w2 = std::sin(9.0 * z + 1.5 * std::sin(6.0 * y)) * std::cos(5.0 * x - 1.3 * y);
        const double folds = 1.0 - std::fabs(std::sin(2.2 * w1 + 1.8 * w2));
        // The groove between the halves, along the top and back.
        const double groove = std::exp(-(x * x) / 0.004) * (0.5 + 0.5 * y);
        const double r = 155.0 * (1.0 + 0.05 * folds - 0.08 * groove);
        return Vec3(0.78 * r * x, (0.68 * r * y) + (y < 0 ? 10.0 * y : 0.0), r * z);
    }, 1, 0);
    return finish(writer, folder, "brain2.3ds", progress);
}

// A stylised head about 320 units tall, facing +z: an egg-shaped skull narrowing to the jaw,
// a nose, a brow ridge, eye hollows and a chin.
bool writeHead(const std::string& folder, Progress& progress)
{
    Writer3DS writer;
    MaterialInput& material = writer.addMaterial("head");
    material.diffuse = ModelColor{0.8f, 0.72f, 0.62f};
    material.specular = ModelColor{0.4f, 0.4f, 0.4f};
    material.shininess = 0.4f;
    MeshBuilder& mesh = writer.addMesh("head");
    addSphereGrid(mesh, 40, 56, [](double theta, double phi) {
        const Vec3 d = direction(theta, phi);
        const double x = d.x, y = d.y, z = d.z;
        const double front = z > 0 ? z : 0.0;
        auto bump = [](double dx, double dy, double wx, double wy) {
            return std::exp(-(dx * dx) / (wx * wx) - (dy * dy) / (wy * wy));
        };
        double r = 1.0;
        r += 0.22 * bump(x, y + 0.08, 0.09, 0.16) * front * front;           // nose
        r += 0.06 * bump(0.0, y - 0.30, 1.0, 0.07) * front;                   // brow
        r -= 0.05 * (bump(x - 0.33, y - 0.17, 0.12, 0.08) + bump(x + 0.33, y - 0.17, 0.12, 0.08)) * front;
        r += 0.04 * bump(x, y + 0.55, 0.18, 0.12) * front;                    // chin
        r -= 0.02 * bump(x, y + 0.33, 0.2, 0.025) * front;                    // mouth
        // Jaw narrower than the skull.
        const double width = y < 0 ? 1.0 + 0.3 * y : 1.0;
        return Vec3(115.0 * r * x * width, 160.0 * r * y, 130.0 * r * z);
    }, 1, 0);
    return finish(writer, folder, "head2.3ds", progress);
}

} // namespace

int modelFileCount() { return 5; }

bool writeModels(const std::string& folder, Progress& progress)
{
    return writeBall(folder, progress) && writeRing(folder, progress) && writeMolecule(folder, progress)
        && writeBrain(folder, progress) && writeHead(folder, progress);
}

} // namespace datakit
