// Our 3DS writer: what it writes reads back face by face, its chunk layout is the one the
// program's models need, and it refuses what the reader cannot represent.
#include "assets/writer3ds.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "assets/l3ds.h"

namespace {

// A cube of 8 shared corners; each side has its own mask and alternate sides a material.
Writer3DS cubeScene()
{
    Writer3DS writer;
    MaterialInput& stone = writer.addMaterial("Stone");
    stone.textureMap1.fileName = "stone.jpg";
    writer.addMaterial("Moss");
    MeshBuilder& cube = writer.addMesh("Cube");
    for (int i = 0; i < 8; ++i)
        cube.addVertex({i & 1 ? 1.0 : -1.0, i & 2 ? 1.0 : -1.0, i & 4 ? 0.5 : -0.5},
                       {float(i & 1), float(i >> 1) * 0.25f});
    const uint16_t quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                  {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (int s = 0; s < 6; ++s) {
        const uint16_t* q = quads[s];
        const uint32_t mask = 1u << s;
        const int material = s % 3 == 2 ? -1 : s % 2;
        cube.addFace(q[0], q[1], q[2], mask, material);
        cube.addFace(q[0], q[2], q[3], mask, material);
    }
    return writer;
}

void expectSameTriangles(const ModelImporter& read, const Writer3DS& written)
{
    ASSERT_EQ(read.MeshCount(), written.meshes.size());
    for (uint32_t m = 0; m < read.MeshCount(); ++m) {
        const ModelMesh& mesh = read.GetMesh(m);
        const MeshBuilder& source = written.meshes[m];
        EXPECT_EQ(mesh.GetName(), source.name);
        ASSERT_EQ(mesh.FaceCount(), source.faces.size());
        for (uint32_t f = 0; f < mesh.FaceCount(); ++f) {
            const FaceInput& face = source.faces[f];
            const ModelTriangle triangle = mesh.GetTriangle(f);
            const uint16_t corners[3] = {face.a, face.b, face.c};
            for (int k = 0; k < 3; ++k) {
                const Vec3& p = source.vertices[corners[k]];
                EXPECT_EQ(triangle.vertices[k].x, p.x) << f;
                EXPECT_EQ(triangle.vertices[k].y, p.y) << f;
                EXPECT_EQ(triangle.vertices[k].z, p.z) << f;
                if (!source.uv.empty()) {
                    EXPECT_EQ(triangle.textureCoords[k].u, source.uv[corners[k]].u) << f;
                    EXPECT_EQ(triangle.textureCoords[k].v, source.uv[corners[k]].v) << f;
                }
            }
            EXPECT_EQ(mesh.GetFace(f).smoothing, face.smoothing) << f;
            EXPECT_EQ(triangle.materialId, uint32_t(face.material < 0 ? 0 : face.material)) << f;
        }
    }
}

} // namespace

TEST(Writer3DS, RoundTripKeepsCornersMasksMappingAndMaterials)
{
    const Writer3DS writer = cubeScene();
    ASSERT_TRUE(writer.validate());
    const std::vector<uint8_t> bytes = writer.bytes();
    L3DS reader;
    ASSERT_TRUE(reader.LoadFromMemory(bytes.data(), bytes.size()));
    EXPECT_EQ(reader.LastError(), "");
    expectSameTriangles(reader, writer);
    EXPECT_EQ(reader.GetMesh(0).VertexCount(), 24u); // six masks: every corner split three ways

    // And once more through the scene model: the split mesh writes and reads back the same.
    const Writer3DS again = Writer3DS::fromModel(reader);
    ASSERT_TRUE(again.validate());
    const std::vector<uint8_t> secondBytes = again.bytes();
    L3DS second;
    ASSERT_TRUE(second.LoadFromMemory(secondBytes.data(), secondBytes.size()));
    expectSameTriangles(second, again);
    EXPECT_EQ(second.GetMesh(0).VertexCount(), 24u);
}

TEST(Writer3DS, MaterialPropertiesReadBack)
{
    Writer3DS writer;
    MaterialInput& glass = writer.addMaterial("Glass");
    glass.ambient = {0.1f, 0.2f, 0.3f};
    glass.diffuse = {0.25f, 0.5f, 1.0f};
    glass.specular = {1.0f, 1.0f, 0.75f};
    glass.shininess = 0.35f;
    glass.transparency = 0.6f;
    glass.shading = 3;
    glass.textureMap1 = {"glass.jpg", 80, 2.0f, 3.0f, 0.5f, 0.25f};
    glass.hasReflectionMap = true;
    glass.reflectionPercent = 40;
    MaterialInput& wire = writer.addMaterial("Wire");
    wire.shading = 0;
    const std::vector<uint8_t> bytes = writer.bytes();
    L3DS reader;
    ASSERT_TRUE(reader.LoadFromMemory(bytes.data(), bytes.size()));
    ASSERT_EQ(reader.MaterialCount(), 2u);
    const ModelMaterial& read = reader.GetMaterial(0);
    EXPECT_EQ(read.GetName(), "Glass");
    EXPECT_EQ(read.GetAmbient().g, 0.2f);
    EXPECT_EQ(read.GetDiffuse().b, 1.0f);
    EXPECT_EQ(read.GetSpecular().b, 0.75f);
    EXPECT_EQ(read.GetShininess(), 0.35f);
    EXPECT_EQ(read.GetTransparency(), 0.6f);
    EXPECT_EQ(read.GetShading(), 3);
    const ModelMap& map = read.GetTextureMap1();
    EXPECT_STREQ(map.fileName, "glass.jpg");
    EXPECT_FLOAT_EQ(map.strength, 0.8f);
    EXPECT_EQ(map.uScale, 2.0f);
    EXPECT_EQ(map.vOffset, 0.25f);
    EXPECT_STREQ(read.GetReflectionMap().fileName, "auto");
    EXPECT_FLOAT_EQ(read.GetReflectionMap().strength, 0.4f);
    EXPECT_EQ(reader.GetMaterial(1).GetShading(), 0);
}

TEST(Writer3DS, MaterialsComeBeforeObjectsAndEachObjectStartsWithItsMesh)
{
    Writer3DS writer = cubeScene();
    writer.meshes.push_back(writer.meshes.front());
    writer.meshes.back().name = "Second";
    const std::vector<uint8_t> bytes = writer.bytes();
    auto u16At = [&](size_t at) { return uint16_t(bytes[at] | bytes[at + 1] << 8); };
    auto u32At = [&](size_t at) {
        return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
               uint32_t(bytes[at + 3]) << 24;
    };
    ASSERT_EQ(u16At(0), 0x4D4D);
    ASSERT_EQ(u32At(2), bytes.size());
    // Find the editor chunk among the main chunk's children, then list its children.
    size_t at = 6;
    while (at + 6 <= bytes.size() && u16At(at) != 0x3D3D)
        at += u32At(at + 2);
    ASSERT_LT(at, bytes.size());
    const size_t editorEnd = at + u32At(at + 2);
    std::vector<uint16_t> children;
    for (at += 6; at < editorEnd; at += u32At(at + 2)) {
        children.push_back(u16At(at));
        if (u16At(at) == 0x4000) {
            size_t first = at + 6;
            while (bytes[first] != 0)
                ++first;
            EXPECT_EQ(u16At(first + 1), 0x4100);
        }
    }
    EXPECT_EQ(children, (std::vector<uint16_t>{0xAFFF, 0xAFFF, 0x4000, 0x4000}));
}

TEST(Writer3DS, RefusesWhatTheReaderCannotRepresent)
{
    auto refuses = [](const Writer3DS& writer, const char* reasonPart) {
        std::string error;
        EXPECT_FALSE(writer.validate(&error));
        EXPECT_NE(error.find(reasonPart), std::string::npos) << error;
    };
    Writer3DS corner = cubeScene();
    corner.meshes[0].addFace(0, 1, 8);
    refuses(corner, "beyond the vertex list");

    Writer3DS material = cubeScene();
    material.meshes[0].faces[0].material = 2;
    refuses(material, "material");

    Writer3DS longName = cubeScene();
    longName.materials[0].name = "twenty_characters_xx";
    refuses(longName, "19 characters");

    Writer3DS mapping = cubeScene();
    mapping.meshes[0].uv.pop_back();
    refuses(mapping, "mapping coordinates");

    // A refused scene writes no file.
    const std::string path =
        (std::filesystem::temp_directory_path() / "writer3ds_test_refused.3ds").string();
    std::remove(path.c_str());
    std::string error;
    EXPECT_FALSE(corner.writeFile(path, &error));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(cubeScene().writeFile(path, &error)) << error;
    EXPECT_GT(std::filesystem::file_size(path), 100u);
    std::remove(path.c_str());
}
