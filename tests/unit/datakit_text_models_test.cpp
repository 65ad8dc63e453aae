// The data kit's extruded lettering, as the build wrote it into its data folder: each model
// reads back closed (every edge met by exactly one reverse edge at bit-identical positions),
// with a material and mapping coordinates, sized for the scene that scales it, facing +z with
// front, back and sides in separate smoothing groups, and not mirrored.
#include "assets/l3ds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <tuple>

namespace {

using Point = std::tuple<float, float, float>;

struct TextModelCase {
    const char* file;
    float programScale; // what the program multiplies the model by after loading
    float minWidth;     // the width range after that scale
    float maxWidth;
};

const TextModelCase textModels[] = {
    {"vornix2.3ds", 3.0f, 25.0f, 35.0f},   {"presents.3ds", 3.0f, 25.0f, 35.0f},
    {"talv1b.3ds", 0.85f, 30.0f, 40.0f},   {"startmorph.3ds", 0.001f, 1.4f, 1.8f},
    {"greet1.3ds", 0.2f, 1.4f, 1.8f},      {"greet2.3ds", 0.2f, 1.4f, 1.8f},
    {"greet3.3ds", 0.2f, 1.4f, 1.8f},      {"greet4.3ds", 0.2f, 1.4f, 1.8f},
    {"vornix.3ds", 0.01f, 1.4f, 1.8f},
};

const char* const morphChain[] = {"startmorph.3ds", "greet1.3ds", "greet2.3ds", "greet3.3ds", "greet4.3ds", "vornix.3ds"};

constexpr uint32_t frontGroup = 1;
constexpr uint32_t backGroup = 2;

Point pointOf(const Vec4& v) { return {v.x, v.y, v.z}; }

bool exists(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file)
        std::fclose(file);
    return file != nullptr;
}

// Directed edges that occur more than once or whose reverse is missing.
int unpairedEdges(const ModelMesh& mesh)
{
    std::map<std::pair<Point, Point>, int> edges;
    for (uint32_t f = 0; f < mesh.FaceCount(); ++f) {
        const ModelTriangle t = mesh.GetTriangle(f);
        for (int k = 0; k < 3; ++k)
            ++edges[{pointOf(t.vertices[k]), pointOf(t.vertices[(k + 1) % 3])}];
    }
    int unpaired = 0;
    for (const auto& [edge, count] : edges) {
        const auto reverse = edges.find({edge.second, edge.first});
        unpaired += count != 1 || reverse == edges.end() || reverse->second != 1;
    }
    return unpaired;
}

struct Box {
    float minX = 1e30f, maxX = -1e30f, minY = 1e30f, maxY = -1e30f, minZ = 1e30f, maxZ = -1e30f;
};

Box boxOf(const ModelMesh& mesh)
{
    Box box;
    for (uint32_t i = 0; i < mesh.VertexCount(); ++i) {
        const Vec4& v = mesh.GetVertex(i);
        box.minX = std::min(box.minX, v.x);
        box.maxX = std::max(box.maxX, v.x);
        box.minY = std::min(box.minY, v.y);
        box.maxY = std::max(box.maxY, v.y);
        box.minZ = std::min(box.minZ, v.z);
        box.maxZ = std::max(box.maxZ, v.z);
    }
    return box;
}

// Loads folder/file into reader; false (the test skips) when the build made no data.
bool load(L3DS& reader, const std::string& file)
{
    const std::string path = std::string(TALVOREN_BUILD_DATA) + "/" + file;
    return exists(path) && reader.LoadFile(path.c_str());
}

} // namespace

TEST(DatakitTextModels, EveryTextModelReadsBackClosedWithMaterialAndMapping)
{
    for (const TextModelCase& model : textModels) {
        L3DS reader;
        if (!load(reader, model.file))
            GTEST_SKIP() << "no generated " << model.file << " in " << TALVOREN_BUILD_DATA;
        EXPECT_GE(reader.MaterialCount(), 1u) << model.file;
        ASSERT_EQ(reader.MeshCount(), 1u) << model.file;
        const ModelMesh& mesh = reader.GetMesh(0);
        EXPECT_GE(mesh.FaceCount(), 500u) << model.file;
        EXPECT_LE(mesh.FaceCount(), 10000u) << model.file;
        EXPECT_EQ(unpairedEdges(mesh), 0) << model.file;

        // Planar mapping over the lettering: every coordinate inside the unit square, both
        // directions used.
        float maxU = 0.0f, maxV = 0.0f;
        bool inside = true;
        for (uint32_t i = 0; i < mesh.VertexCount(); ++i) {
            const Vec2& t = mesh.GetTextureCoord(i);
            inside = inside && t.u >= 0.0f && t.u <= 1.0f && t.v >= 0.0f && t.v <= 1.0f;
            maxU = std::max(maxU, t.u);
            maxV = std::max(maxV, t.v);
        }
        EXPECT_TRUE(inside) << model.file;
        EXPECT_GT(maxU, 0.99f) << model.file;
        EXPECT_GT(maxV, 0.99f) << model.file;
    }
}

TEST(DatakitTextModels, LetteringIsSizedCentredAndFacesPlusZInSmoothingGroups)
{
    for (const TextModelCase& model : textModels) {
        L3DS reader;
        if (!load(reader, model.file))
            GTEST_SKIP() << "no generated " << model.file << " in " << TALVOREN_BUILD_DATA;
        ASSERT_EQ(reader.MeshCount(), 1u) << model.file;
        const ModelMesh& mesh = reader.GetMesh(0);
        const Box box = boxOf(mesh);
        const float width = box.maxX - box.minX, height = box.maxY - box.minY, depth = box.maxZ - box.minZ;
        EXPECT_GE(width * model.programScale, model.minWidth) << model.file;
        EXPECT_LE(width * model.programScale, model.maxWidth) << model.file;
        EXPECT_NEAR(0.5f * (box.minX + box.maxX), 0.0f, 0.001f * width) << model.file;
        EXPECT_NEAR(0.5f * (box.minY + box.maxY), 0.0f, 0.001f * width) << model.file;
        EXPECT_NEAR(0.5f * (box.minZ + box.maxZ), 0.0f, 0.001f * width) << model.file;
        // A line of text: wider than high, and a slab a fraction of its height deep.
        EXPECT_GT(width, 3.0f * height) << model.file;
        EXPECT_GT(depth, 0.1f * height) << model.file;
        EXPECT_LT(depth, 0.35f * height) << model.file;

        int front = 0, back = 0, sides = 0, wrong = 0;
        for (uint32_t f = 0; f < mesh.FaceCount(); ++f) {
            const uint32_t smoothing = mesh.GetFace(f).smoothing;
            const Vec3 n = mesh.GetTriangle(f).faceNormal;
            if (smoothing == frontGroup) {
                ++front;
                wrong += n.z < 0.999f;
            } else if (smoothing == backGroup) {
                ++back;
                wrong += n.z > -0.999f;
            } else {
                // Side walls: never smoothed into either face, and upright.
                ++sides;
                wrong += (smoothing & (frontGroup | backGroup)) != 0 || smoothing == 0 || std::fabs(n.z) > 0.001f
                    || n.x * n.x + n.y * n.y < 0.99f;
            }
        }
        EXPECT_GT(front, 0) << model.file;
        EXPECT_EQ(front, back) << model.file;
        EXPECT_GT(sides, 0) << model.file;
        EXPECT_EQ(wrong, 0) << model.file;
    }
}

// Mirrored lettering would still be closed and face +z; the title's "T" tells: its bar's top
// left corner is the leftmost point, whereas the final "n" of a mirrored title reaches the
// left edge only below the x-height.
TEST(DatakitTextModels, TitleReadsLeftToRight)
{
    L3DS reader;
    if (!load(reader, "talv1b.3ds"))
        GTEST_SKIP() << "no generated talv1b.3ds in " << TALVOREN_BUILD_DATA;
    const ModelMesh& mesh = reader.GetMesh(0);
    const Box box = boxOf(mesh);
    const float leftBand = box.minX + 0.01f * (box.maxX - box.minX);
    float lowestAtLeft = box.maxY;
    for (uint32_t i = 0; i < mesh.VertexCount(); ++i)
        if (mesh.GetVertex(i).x <= leftBand)
            lowestAtLeft = std::min(lowestAtLeft, mesh.GetVertex(i).y);
    EXPECT_GT(lowestAtLeft, box.minY + 0.5f * (box.maxY - box.minY));
}

// The morph pairs triangles by index: its lettering shapes stay within a sixth of each other.
TEST(DatakitTextModels, MorphChainLetteringHasSimilarTriangleCounts)
{
    uint32_t fewest = 0xffffffffu, most = 0;
    for (const char* file : morphChain) {
        L3DS reader;
        if (!load(reader, file))
            GTEST_SKIP() << "no generated " << file << " in " << TALVOREN_BUILD_DATA;
        ASSERT_EQ(reader.MeshCount(), 1u) << file;
        fewest = std::min(fewest, reader.GetMesh(0).FaceCount());
        most = std::max(most, reader.GetMesh(0).FaceCount());
    }
    EXPECT_LE(6 * (most - fewest), fewest) << "fewest " << fewest << ", most " << most;
}
