// The data kit's models, as the build wrote them into its data folder: each reads back with our
// reader, carries a material and mapping coordinates, and is closed with bit-identical shared
// corners (the shadow and fin features compare positions exactly).
#include "assets/l3ds.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <tuple>

namespace {

using Point = std::tuple<float, float, float>;

Point pointOf(const Vec4& v) { return {v.x, v.y, v.z}; }

bool exists(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file)
        std::fclose(file);
    return file != nullptr;
}

} // namespace

TEST(DatakitModels, EveryModelReadsBackClosedWithMaterialAndMapping)
{
    const std::string folder = TALVOREN_BUILD_DATA;
    for (const char* name : {"ball3.3ds", "xcircle.3ds", "thcmolekyl.3ds", "brain2.3ds", "head2.3ds"}) {
        const std::string path = folder + "/" + name;
        if (!exists(path))
            GTEST_SKIP() << "no generated data at " << folder;
        L3DS reader;
        ASSERT_TRUE(reader.LoadFile(path.c_str())) << name;
        EXPECT_GE(reader.MaterialCount(), 1u) << name;
        ASSERT_GE(reader.MeshCount(), 1u) << name;
        for (uint32_t m = 0; m < reader.MeshCount(); ++m) {
            const ModelMesh& mesh = reader.GetMesh(m);
            ASSERT_GT(mesh.FaceCount(), 0u) << name;
            // Every directed edge must meet its reverse: the mesh has no open border.
            std::map<std::pair<Point, Point>, int> edges;
            for (uint32_t f = 0; f < mesh.FaceCount(); ++f) {
                const ModelTriangle t = mesh.GetTriangle(f);
                for (int k = 0; k < 3; ++k)
                    ++edges[{pointOf(t.vertices[k]), pointOf(t.vertices[(k + 1) % 3])}];
            }
            int open = 0;
            for (const auto& [edge, count] : edges)
                open += edges.count({edge.second, edge.first}) == 0;
            EXPECT_EQ(open, 0) << name << " mesh " << m;
        }
    }
}
