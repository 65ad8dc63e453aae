// The scene model: clamping setters, name look-up, and the load-time geometry (smoothing-group
// splitting, vertex normals, tangents, assembled triangles).
#include "assets/model3ds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

void expectNear(const Vec3& actual, const Vec3& expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-5);
    EXPECT_NEAR(actual.y, expected.y, 1e-5);
    EXPECT_NEAR(actual.z, expected.z, 1e-5);
}

// A unit cube around the origin: 8 corners, 12 faces wound outwards, two per side, side s
// carrying mask masks[s].
ModelMesh makeCube(const uint32_t masks[6])
{
    ModelMesh mesh;
    mesh.SetVertexCount(8);
    for (uint32_t i = 0; i < 8; ++i)
        mesh.SetVertex({i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f, 1.0f}, i);
    const uint16_t quads[6][4] = {
        {0, 2, 3, 1}, {4, 5, 7, 6}, // -z, +z
        {0, 1, 5, 4}, {2, 6, 7, 3}, // -y, +y
        {0, 4, 6, 2}, {1, 3, 7, 5}, // -x, +x
    };
    mesh.SetFaceCount(12);
    for (uint32_t s = 0; s < 6; ++s) {
        const uint16_t* q = quads[s];
        ModelFace first;
        first.a = q[0], first.b = q[1], first.c = q[2], first.smoothing = masks[s];
        ModelFace second;
        second.a = q[0], second.b = q[2], second.c = q[3], second.smoothing = masks[s];
        mesh.SetFace(first, 2 * s);
        mesh.SetFace(second, 2 * s + 1);
    }
    return mesh;
}

// Two triangles sharing the edge (0, 1), folded at a right angle.
ModelMesh makeHinge(uint32_t firstMask, uint32_t secondMask)
{
    ModelMesh mesh;
    mesh.SetVertexCount(4);
    mesh.SetVertex({0, 0, 0, 1}, 0);
    mesh.SetVertex({1, 0, 0, 1}, 1);
    mesh.SetVertex({0, 1, 0, 1}, 2);  // flat face in z = 0
    mesh.SetVertex({0, 0, -1, 1}, 3); // face in y = 0
    mesh.SetFaceCount(2);
    ModelFace flat;
    flat.a = 0, flat.b = 1, flat.c = 2, flat.smoothing = firstMask;
    ModelFace wall;
    wall.a = 1, wall.b = 0, wall.c = 3, wall.smoothing = secondMask;
    mesh.SetFace(flat, 0);
    mesh.SetFace(wall, 1);
    return mesh;
}

} // namespace

TEST(ModelMaterial, ShininessAndTransparencyAreClampedToUnitRange)
{
    ModelMaterial material;
    material.SetShininess(1.5f);
    EXPECT_EQ(material.GetShininess(), 1.0f);
    material.SetShininess(-0.2f);
    EXPECT_EQ(material.GetShininess(), 0.0f);
    material.SetShininess(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(material.GetShininess(), 0.0f);
    material.SetTransparency(0.25f);
    EXPECT_EQ(material.GetTransparency(), 0.25f);
    material.SetTransparency(7.0f);
    EXPECT_EQ(material.GetTransparency(), 1.0f);
    EXPECT_EQ(ModelMaterial().GetShading(), 2);
    EXPECT_EQ(ModelMaterial().GetTextureMap1().uScale, 1.0f);
}

TEST(ModelImporter, FindsRecordsByExactNameAndNumbersMaterials)
{
    ModelImporter scene;
    ModelMaterial stone;
    stone.SetName("Stone");
    ModelMaterial glass;
    glass.SetName("Glass");
    scene.AddMaterial(stone);
    scene.AddMaterial(glass);
    ModelMesh mesh;
    mesh.SetName("Rock");
    scene.AddMesh(mesh);

    ASSERT_NE(scene.FindMaterial("Glass"), nullptr);
    EXPECT_EQ(scene.FindMaterial("Glass")->GetId(), 1u);
    EXPECT_EQ(scene.FindMaterial("glass"), nullptr);
    EXPECT_EQ(scene.FindMaterial("Glas"), nullptr);
    EXPECT_EQ(scene.FindMesh("Rock"), &scene.GetMesh(0));
    EXPECT_FALSE(scene.LoadFile("anything.3ds"));

    scene.Clear();
    EXPECT_EQ(scene.MaterialCount(), 0u);
    EXPECT_EQ(scene.MeshCount(), 0u);
}

TEST(ModelMesh, ArraysResizeTogetherAndOutOfRangeStoresAreIgnored)
{
    ModelMesh mesh;
    const float* m = mesh.GetMatrix();
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << i;

    mesh.SetVertexCount(3);
    mesh.SetVertex({1, 2, 3, 1}, 2);
    mesh.SetVertex({9, 9, 9, 1}, 3);
    mesh.SetTextureCoord({0.5f, 0.25f}, 3);
    EXPECT_EQ(mesh.VertexCount(), 3u);
    EXPECT_EQ(mesh.GetVertex(2).z, 3.0f);
    EXPECT_EQ(mesh.GetNormal(2).x, 0.0f);
    EXPECT_EQ(mesh.GetTextureCoord(2).u, 0.0f);

    mesh.SetFaceCount(2);
    EXPECT_EQ(mesh.GetTriangleIndices(1)[2], 0);
    mesh.SetFace(ModelFace{}, 2);
    EXPECT_EQ(mesh.FaceCount(), 2u);

    const float shifted[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1};
    mesh.SetMatrix(shifted);
    mesh.Clear();
    EXPECT_EQ(mesh.VertexCount(), 0u);
    EXPECT_EQ(mesh.FaceCount(), 0u);
    EXPECT_EQ(mesh.GetMatrix()[12], 0.0f);
}

TEST(ModelMesh, CubeWithSixGroupsSplitsTo24VerticesWithSideNormals)
{
    const uint32_t masks[6] = {1, 2, 4, 8, 16, 32};
    ModelMesh cube = makeCube(masks);
    ASSERT_TRUE(cube.ComputeNormals(true));
    EXPECT_EQ(cube.VertexCount(), 24u);
    for (uint32_t f = 0; f < cube.FaceCount(); ++f) {
        const ModelFace& face = cube.GetFace(f);
        for (uint16_t corner : cube.GetTriangleIndices(f))
            expectNear(cube.GetNormal(corner), face.normal);
        // The face normal points away from the centre.
        const Vec4& p = cube.GetVertex(face.a);
        EXPECT_GT(face.normal.dot(Vec3(p.x, p.y, p.z)), 0.0);
    }
}

TEST(ModelMesh, CubeWithOneGroupKeepsEightVerticesWithDiagonalNormals)
{
    const uint32_t masks[6] = {1, 1, 1, 1, 1, 1};
    ModelMesh cube = makeCube(masks);
    ASSERT_TRUE(cube.ComputeNormals(true));
    EXPECT_EQ(cube.VertexCount(), 8u);
    for (uint32_t v = 0; v < 8; ++v) {
        const Vec4& p = cube.GetVertex(v);
        const Vec3 n = cube.GetNormal(v);
        EXPECT_NEAR(n.length(), 1.0, 1e-5);
        // Every corner is shared by 3 sides, so its normal points along its diagonal, pulled
        // by the side that carries two of the corner's triangles.
        EXPECT_GT(n.x * p.x, 0.0f);
        EXPECT_GT(n.y * p.y, 0.0f);
        EXPECT_GT(n.z * p.z, 0.0f);
    }
    // Without smoothing groups the mesh is never split either.
    const uint32_t sixMasks[6] = {1, 2, 4, 8, 16, 32};
    ModelMesh unsplit = makeCube(sixMasks);
    ASSERT_TRUE(unsplit.ComputeNormals(false));
    EXPECT_EQ(unsplit.VertexCount(), 8u);
}

TEST(ModelMesh, OnlyEqualMasksSmoothTogether)
{
    // Masks 1 and 3 share a bit, but faces smooth together only when their masks are equal.
    ModelMesh overlapping = makeHinge(1, 3);
    ASSERT_TRUE(overlapping.ComputeNormals(true));
    EXPECT_EQ(overlapping.VertexCount(), 6u);
    expectNear(overlapping.GetNormal(overlapping.GetTriangleIndices(0)[0]), Vec3(0, 0, 1));
    expectNear(overlapping.GetNormal(overlapping.GetTriangleIndices(1)[0]), Vec3(0, -1, 0));

    ModelMesh same = makeHinge(3, 3);
    ASSERT_TRUE(same.ComputeNormals(true));
    EXPECT_EQ(same.VertexCount(), 4u);
    const double half = std::sqrt(0.5);
    expectNear(same.GetNormal(0), Vec3(0, -half, half));
    expectNear(same.GetNormal(2), Vec3(0, 0, 1));

    // A mask of 0 is a group like any other.
    ModelMesh zeros = makeHinge(0, 0);
    ASSERT_TRUE(zeros.ComputeNormals(true));
    EXPECT_EQ(zeros.VertexCount(), 4u);
}

TEST(ModelMesh, DegenerateFaceHasZeroNormalAndAddsNothing)
{
    ModelMesh mesh = makeHinge(1, 1);
    mesh.SetFaceCount(3);
    ModelFace sliver;
    sliver.a = 0, sliver.b = 1, sliver.c = 1, sliver.smoothing = 1; // zero area
    mesh.SetFace(sliver, 2);
    mesh.SetVertexCount(5); // vertex 4 has no faces
    ASSERT_TRUE(mesh.ComputeNormals(true));
    expectNear(mesh.GetFace(2).normal, Vec3());
    const double half = std::sqrt(0.5);
    expectNear(mesh.GetNormal(1), Vec3(0, -half, half));
    expectNear(mesh.GetNormal(4), Vec3());
    const ModelTriangle triangle = mesh.GetTriangle(2);
    expectNear(triangle.faceNormal, Vec3());
}

TEST(ModelMesh, RefusesASplitBeyondSixteenBitIndices)
{
    // One triangle repeated with a different mask each time: every further mask copies all
    // three corners, so n faces need 3n vertices.
    auto repeated = [](uint32_t faceCount) {
        ModelMesh mesh;
        mesh.SetVertexCount(3);
        mesh.SetVertex({0, 0, 0, 1}, 0);
        mesh.SetVertex({1, 0, 0, 1}, 1);
        mesh.SetVertex({0, 1, 0, 1}, 2);
        mesh.SetFaceCount(faceCount);
        for (uint32_t f = 0; f < faceCount; ++f) {
            ModelFace face;
            face.a = 0, face.b = 1, face.c = 2, face.smoothing = f;
            mesh.SetFace(face, f);
        }
        return mesh;
    };
    ModelMesh fits = repeated(21845);
    ASSERT_TRUE(fits.ComputeNormals(true));
    EXPECT_EQ(fits.VertexCount(), 65535u);
    EXPECT_EQ(fits.GetTriangleIndices(21844)[2], 65534);

    ModelMesh tooMany = repeated(21846);
    EXPECT_FALSE(tooMany.ComputeNormals(true));
    EXPECT_EQ(tooMany.VertexCount(), 3u);
}

TEST(ModelMesh, FacesOutsideTheVerticesAreRemovedKeepingTheirNeighboursData)
{
    ModelMesh mesh = makeHinge(1, 1);
    mesh.SetFaceCount(4);
    ModelFace bad;
    bad.a = 0, bad.b = 1, bad.c = 4, bad.smoothing = 8, bad.materialId = 5;
    mesh.SetFace(bad, 0);
    ModelFace kept;
    kept.a = 0, kept.b = 1, kept.c = 2, kept.smoothing = 16, kept.materialId = 2;
    mesh.SetFace(kept, 1);
    bad.c = 65535;
    mesh.SetFace(bad, 2);
    // Face 3 is still the zero record: corners 0, 0, 0 are valid.
    EXPECT_EQ(mesh.RemoveFacesOutsideVertices(), 2u);
    ASSERT_EQ(mesh.FaceCount(), 2u);
    EXPECT_EQ(mesh.GetFace(0).smoothing, 16u);
    EXPECT_EQ(mesh.GetFace(0).materialId, 2u);
    EXPECT_EQ(mesh.GetFace(1).materialId, 0u);
}

TEST(ModelMesh, TangentsFollowTheMappingAndAreZeroWithoutIt)
{
    ModelMesh mapped = makeHinge(1, 1);
    mapped.SetFaceCount(1);
    mapped.SetTextureCoord({0, 0}, 0);
    mapped.SetTextureCoord({1, 0}, 1);
    mapped.SetTextureCoord({0, 1}, 2);
    ASSERT_TRUE(mapped.ComputeNormals(true));
    mapped.ComputeTangents();
    expectNear(mapped.GetFace(0).tangent, Vec3(1, 0, 0));  // position change per unit u
    expectNear(mapped.GetFace(0).binormal, Vec3(0, 1, 0)); // per unit v
    expectNear(mapped.GetTangent(0), Vec3(1, 0, 0));
    expectNear(mapped.GetBinormal(0), Vec3(1, 0, 0).cross(Vec3(0, 0, 1)));

    ModelMesh plain = makeHinge(1, 2);
    ASSERT_TRUE(plain.ComputeNormals(true));
    plain.ComputeTangents();
    for (uint32_t f = 0; f < plain.FaceCount(); ++f) {
        expectNear(plain.GetFace(f).tangent, Vec3());
        expectNear(plain.GetFace(f).binormal, Vec3());
    }
    for (uint32_t v = 0; v < plain.VertexCount(); ++v) {
        EXPECT_TRUE(std::isfinite(plain.GetTangent(v).x));
        EXPECT_TRUE(std::isfinite(plain.GetBinormal(v).y));
    }
}

TEST(ModelMesh, GetTriangleAssemblesCornersNormalsMappingAndMaterial)
{
    ModelMesh mesh = makeHinge(1, 2);
    mesh.SetTextureCoord({0.5f, 0.75f}, 3);
    ModelFace wall = mesh.GetFace(1);
    wall.materialId = 3;
    mesh.SetFace(wall, 1);
    ASSERT_TRUE(mesh.ComputeNormals(true));

    const ModelTriangle triangle = mesh.GetTriangle(1);
    EXPECT_EQ(triangle.vertices[0].x, 1.0f);
    EXPECT_EQ(triangle.vertices[2].z, -1.0f);
    EXPECT_EQ(triangle.vertices[2].w, 1.0f);
    EXPECT_EQ(triangle.textureCoords[2].v, 0.75f);
    expectNear(triangle.faceNormal, Vec3(0, -1, 0));
    for (const Vec3& n : triangle.vertexNormals)
        expectNear(n, Vec3(0, -1, 0));
    EXPECT_EQ(triangle.materialId, 3u);
}
