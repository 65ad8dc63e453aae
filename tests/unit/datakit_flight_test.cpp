// The data kit's flight data and story, as the build wrote them into its data folder: the
// landscape path flown by both cameras stays low over the ground and on the terrain, the space
// path never touches the structure and always has some of it inside the fog's reach, the
// structure reads back textured and within the reader's limits, and the story fits the
// typewriter.
#include "assets/l3ds.h"
#include "effects/landscape_height.h"
#include "geometry/camera.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

const std::string dataFolder = TALVOREN_BUILD_DATA;

bool exists(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file)
        std::fclose(file);
    return file != nullptr;
}

struct Triangle {
    Vec3 a, b, c;
};

// Closest point of triangle abc to p (Ericson's region test), as a distance.
double distanceToTriangle(const Vec3& p, const Triangle& t)
{
    const Vec3 ab = t.b - t.a, ac = t.c - t.a, ap = p - t.a;
    const double d1 = ab.dot(ap), d2 = ac.dot(ap);
    if (d1 <= 0 && d2 <= 0)
        return ap.length();
    const Vec3 bp = p - t.b;
    const double d3 = ab.dot(bp), d4 = ac.dot(bp);
    if (d3 >= 0 && d4 <= d3)
        return bp.length();
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0)
        return (p - (t.a + ab * (d1 / (d1 - d3)))).length();
    const Vec3 cp = p - t.c;
    const double d5 = ab.dot(cp), d6 = ac.dot(cp);
    if (d6 >= 0 && d5 <= d6)
        return cp.length();
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0)
        return (p - (t.a + ac * (d2 / (d2 - d6)))).length();
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0 && d4 - d3 >= 0 && d5 - d6 >= 0)
        return (p - (t.b + (t.c - t.b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6))))).length();
    const double denominator = 1.0 / (va + vb + vc);
    return (p - (t.a + ab * (vb * denominator) + ac * (vc * denominator))).length();
}

// Whether the ray from p along dir passes through the triangle (Moller-Trumbore).
bool rayHits(const Vec3& p, const Vec3& dir, const Triangle& t)
{
    const Vec3 e1 = t.b - t.a, e2 = t.c - t.a;
    const Vec3 h = dir.cross(e2);
    const double det = e1.dot(h);
    if (std::fabs(det) < 1e-12)
        return false;
    const Vec3 s = p - t.a;
    const double u = s.dot(h) / det;
    if (u < 0 || u > 1)
        return false;
    const Vec3 q = s.cross(e1);
    const double v = dir.dot(q) / det;
    if (v < 0 || u + v > 1)
        return false;
    return e2.dot(q) / det > 0;
}

// Every triangle of a 3DS file, scaled as the scene scales the model after loading.
std::vector<Triangle> trianglesOf(const L3DS& model, double scale)
{
    std::vector<Triangle> triangles;
    for (uint32_t m = 0; m < model.MeshCount(); ++m) {
        const ModelMesh& mesh = model.GetMesh(m);
        for (uint32_t f = 0; f < mesh.FaceCount(); ++f) {
            const ModelTriangle t = mesh.GetTriangle(f);
            auto corner = [&](int k) {
                return Vec3(t.vertices[k].x * scale, t.vertices[k].y * scale, t.vertices[k].z * scale);
            };
            triangles.push_back({corner(0), corner(1), corner(2)});
        }
    }
    return triangles;
}

double angleDegrees(const Vec3& a, const Vec3& b)
{
    return std::acos(std::clamp(a.dot(b) / (a.length() * b.length()), -1.0, 1.0)) * 180.0 / 3.14159265358979;
}

constexpr double spaceModelScale = 0.1; // what the space scene multiplies the model by
constexpr double fogEnd = 30.0;         // the space scene's fog hides everything beyond

} // namespace

// Scene 7 flies the first 944 frames; then the ball camera flies the path again from its start
// for 2812 frames. Both must stay over the terrain, low but clear of it, looking at the balls.
TEST(DatakitFlight, BallPathStaysLowOverTheTerrainForBothFlights)
{
    const std::string path = dataFolder + "/boll.pos";
    if (!exists(path))
        GTEST_SKIP() << "no generated data at " << dataFolder;
    constexpr float minX = -4.0f, maxX = 3.92f, minZ = -10.0f, maxZ = 1.92f, margin = 0.4f;
    const Vec3 hollow(0.96, -2.4, -4.72);
    for (int frames : {944, 2812}) {
        Camera camera;
        ASSERT_TRUE(camera.loadPath(path.c_str()));
        double lowest = 1e9, highest = -1e9, widest = 0;
        for (int frame = 0; frame < frames; ++frame) {
            ASSERT_TRUE(camera.followPath()) << "the path ends at frame " << frame << " of " << frames;
            const Vec3& eye = camera.eye;
            ASSERT_GE(eye.x, minX + margin) << frame;
            ASSERT_LE(eye.x, maxX - margin) << frame;
            ASSERT_GE(eye.z, minZ + margin) << frame;
            ASSERT_LE(eye.z, maxZ - margin) << frame;
            const double above = eye.y - landscapeHeight(eye.x, eye.z);
            lowest = std::min(lowest, above);
            highest = std::max(highest, above);
            // The balls' hollow stays near the middle of the picture.
            widest = std::max(widest, angleDegrees(camera.view - eye, hollow - eye));
            ASSERT_LT(std::fabs((camera.view - eye).normalized().dot(camera.up.normalized())), 0.95) << frame;
        }
        EXPECT_GE(lowest, 0.25) << frames;
        EXPECT_LE(highest, 2.5) << frames;
        EXPECT_LT(widest, 25.0) << frames;
    }
}

// The whole pass, sampled far more finely than its control points: clear of every face (and
// never inside a closed part, counted by ray crossings), and always some face ahead within
// the fog's reach.
TEST(DatakitFlight, SpacePathClearsTheStructureAndAlwaysSeesSomeOfIt)
{
    const std::string modelPath = dataFolder + "/space.3ds", pathPath = dataFolder + "/space1.pos";
    if (!exists(modelPath) || !exists(pathPath))
        GTEST_SKIP() << "no generated data at " << dataFolder;
    L3DS model;
    ASSERT_TRUE(model.LoadFile(modelPath.c_str()));
    const std::vector<Triangle> triangles = trianglesOf(model, spaceModelScale);
    Camera camera;
    ASSERT_TRUE(camera.loadPath(pathPath.c_str()));
    ASSERT_GE(camera.eyePath.pointCount(), 4);

    constexpr int samples = 1000;
    const Vec3 ray = Vec3(0.5773, 0.5801, 0.5743).normalized(); // off every axis the parts use
    double travelled = 0, closest = 1e9;
    Vec3 previous;
    for (int i = 0; i <= samples; ++i) {
        camera.jumpTo(double(i) / samples);
        const Vec3 eye = camera.eye, forward = (camera.view - camera.eye).normalized();
        if (i > 0)
            travelled += (eye - previous).length();
        previous = eye;
        double nearest = 1e9, nearestAhead = 1e9;
        int crossings = 0;
        for (const Triangle& t : triangles) {
            const double d = distanceToTriangle(eye, t);
            nearest = std::min(nearest, d);
            const Vec3 centre = (t.a + t.b + t.c) / 3.0;
            if (angleDegrees(centre - eye, forward) < 35.0)
                nearestAhead = std::min(nearestAhead, (centre - eye).length());
            crossings += rayHits(eye, ray, t);
        }
        closest = std::min(closest, nearest);
        EXPECT_GE(nearest, 1.0) << "at f = " << double(i) / samples;
        EXPECT_EQ(crossings % 2, 0) << "inside a part at f = " << double(i) / samples;
        EXPECT_LT(nearestAhead, fogEnd - 5.0) << "nothing ahead at f = " << double(i) / samples;
        EXPECT_LT(std::fabs(forward.dot(camera.up.normalized())), 0.9) << "up along the view at f = " << i;
    }
    // One pass in 13.6 s: long enough to feel like a flight, short enough to read.
    EXPECT_GT(travelled, 60.0);
    EXPECT_LT(travelled, 130.0);
    EXPECT_LT(closest, 4.0); // it does fly close past the parts
}

// Textured throughout (every face gets texture coordinates only because materials exist),
// pictures named as the kit writes them, closed parts for the neighbour search, and sizes the
// reader and a software rasteriser handle.
TEST(DatakitFlight, SpaceStructureReadsBackTexturedClosedAndModest)
{
    const std::string modelPath = dataFolder + "/space.3ds";
    if (!exists(modelPath))
        GTEST_SKIP() << "no generated data at " << dataFolder;
    L3DS model;
    ASSERT_TRUE(model.LoadFile(modelPath.c_str()));
    ASSERT_GE(model.MaterialCount(), 1u);
    for (uint32_t i = 0; i < model.MaterialCount(); ++i) {
        const ModelMaterial& material = model.GetMaterial(i);
        const std::string picture = material.GetTextureMap1().fileName;
        EXPECT_LE(material.GetName().size(), 19u) << material.GetName();
        EXPECT_LE(picture.size(), 12u) << picture;
        EXPECT_TRUE(exists(dataFolder + "/" + picture)) << picture;
    }
    uint32_t faces = 0;
    using Point = std::tuple<float, float, float>;
    for (uint32_t m = 0; m < model.MeshCount(); ++m) {
        const ModelMesh& mesh = model.GetMesh(m);
        ASSERT_GT(mesh.FaceCount(), 0u) << mesh.GetName();
        EXPECT_LT(mesh.VertexCount(), 65536u) << mesh.GetName();
        faces += mesh.FaceCount();
        bool mapped = false;
        std::map<std::pair<Point, Point>, int> edges;
        for (uint32_t f = 0; f < mesh.FaceCount(); ++f) {
            const ModelTriangle t = mesh.GetTriangle(f);
            for (int k = 0; k < 3; ++k) {
                mapped = mapped || t.textureCoords[k].u != 0.0f || t.textureCoords[k].v != 0.0f;
                const Vec4& p = t.vertices[k];
                const Vec4& q = t.vertices[(k + 1) % 3];
                ++edges[{{p.x, p.y, p.z}, {q.x, q.y, q.z}}];
            }
        }
        EXPECT_TRUE(mapped) << mesh.GetName();
        int open = 0;
        for (const auto& [edge, count] : edges)
            open += edges.count({edge.second, edge.first}) == 0;
        EXPECT_EQ(open, 0) << mesh.GetName();
    }
    EXPECT_GT(faces, 2000u);
    EXPECT_LE(faces, 30000u);
}

TEST(DatakitFlight, StoryIsAboutFourThousandPlainCharactersInShortLines)
{
    const std::string path = dataFolder + "/text.txt";
    if (!exists(path))
        GTEST_SKIP() << "no generated data at " << dataFolder;
    std::ifstream file(path, std::ios::binary);
    std::stringstream buffer;
    buffer << file.rdbuf();
    const std::string text = buffer.str();
    EXPECT_GE(text.size(), 3600u);
    EXPECT_LE(text.size(), 4400u);
    size_t lineLength = 0, longest = 0;
    for (char c : text) {
        if (c == '\n') {
            lineLength = 0;
            continue;
        }
        EXPECT_TRUE(c >= 32 && c <= 126) << "character " << int(static_cast<unsigned char>(c));
        longest = std::max(longest, ++lineLength);
    }
    EXPECT_LT(longest, 60u);
    EXPECT_EQ(text.back(), '\n');
}
