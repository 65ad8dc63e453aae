// The 3DS reader: chunk walk, materials, meshes, the error texts, and damaged files. Inputs
// come from our writer, or are hand-made with its chunk writer where a fault must be built in.
#include "assets/l3ds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "assets/writer3ds.h"

namespace {

bool load(L3DS& reader, const std::vector<uint8_t>& bytes)
{
    return reader.LoadFromMemory(bytes.data(), bytes.size());
}

// main > editor > (whatever body writes), lengths patched.
template <typename Body>
std::vector<uint8_t> editorFile(Body body)
{
    ChunkWriter3DS out;
    out.begin(0x4D4D);
    out.begin(0x3D3D);
    body(out);
    out.end();
    out.end();
    return out.bytes();
}

// A material chunk with a name and whatever body adds.
template <typename Body>
void material(ChunkWriter3DS& out, const std::string& name, Body body)
{
    out.begin(0xAFFF);
    out.begin(0xA000);
    out.name(name);
    out.end();
    body(out);
    out.end();
}

void plainMaterial(ChunkWriter3DS& out, const std::string& name)
{
    material(out, name, [](ChunkWriter3DS&) {});
}

// A named object holding a mesh: one triangle (three vertices), then whatever body adds to the
// face list.
template <typename Body>
void triangleObject(ChunkWriter3DS& out, const std::string& name, Body faceListExtras)
{
    out.begin(0x4000);
    out.name(name);
    out.begin(0x4100);
    out.begin(0x4110);
    out.u16(3);
    const float corners[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    for (float f : corners)
        out.f32(f);
    out.end();
    out.begin(0x4120);
    out.u16(2); // the triangle, front and back
    const uint16_t faces[8] = {0, 1, 2, 7, 0, 2, 1, 7};
    for (uint16_t i : faces)
        out.u16(i);
    faceListExtras(out);
    out.end();
    out.end();
    out.end();
}

Writer3DS oneTriangleScene()
{
    Writer3DS writer;
    MeshBuilder& mesh = writer.addMesh("Tri");
    mesh.addVertex({0, 0, 0}, {0, 0});
    mesh.addVertex({1, 0, 0}, {1, 0});
    mesh.addVertex({0, 1, 0}, {0, 1});
    mesh.addFace(0, 1, 2);
    return writer;
}

std::string testFile(const char* name)
{
    return (std::filesystem::temp_directory_path() / (std::string("l3ds_test_") + name)).string();
}

} // namespace

TEST(L3DS, RefusesWrongMainChunkEmptyAndMissingFiles)
{
    L3DS reader;
    ChunkWriter3DS notMain;
    notMain.begin(0x3D3D);
    notMain.end();
    EXPECT_FALSE(load(reader, notMain.bytes()));
    EXPECT_EQ(reader.LastError(), "L3DS::Read3DS - wrong file format");

    // A main chunk without an editor chunk fails without a message.
    ChunkWriter3DS noEditor;
    noEditor.begin(0x4D4D);
    noEditor.begin(0xB000);
    noEditor.end();
    noEditor.end();
    EXPECT_FALSE(load(reader, noEditor.bytes()));
    EXPECT_EQ(reader.LastError(), "");

    const std::string empty = testFile("empty.3ds");
    std::fclose(std::fopen(empty.c_str(), "wb"));
    EXPECT_FALSE(reader.LoadFile(empty.c_str()));
    EXPECT_EQ(reader.LastError(), "L3DS::LoadFile - error reading from file");
    std::remove(empty.c_str());

    EXPECT_FALSE(reader.LoadFile(testFile("does_not_exist.3ds").c_str()));
    EXPECT_EQ(reader.LastError(), "L3DS::LoadFile - cannot open file");
}

TEST(L3DS, LoadFileReadsAWrittenFileAndEmptiesEarlierContent)
{
    const std::string path = testFile("triangle.3ds");
    std::string error;
    ASSERT_TRUE(oneTriangleScene().writeFile(path, &error)) << error;
    L3DS reader;
    ASSERT_TRUE(reader.LoadFile(path.c_str()));
    ASSERT_TRUE(reader.LoadFile(path.c_str()));
    std::remove(path.c_str());
    ASSERT_EQ(reader.MeshCount(), 1u);
    EXPECT_EQ(reader.GetMesh(0).GetName(), "Tri");
    EXPECT_EQ(reader.GetMesh(0).FaceCount(), 1u);
    EXPECT_EQ(reader.GetMesh(0).GetTextureCoord(2).v, 1.0f);
}

TEST(L3DS, ObjectsThatAreNotMeshesAddNothingButLightsAreKept)
{
    const auto bytes = editorFile([](ChunkWriter3DS& out) {
        out.begin(0x4000); // a camera
        out.name("Camera01");
        out.begin(0x4700);
        for (int i = 0; i < 8; ++i)
            out.f32(1.0f);
        out.end();
        out.end();
        out.begin(0x4000); // hidden flag first: the mesh after it is not examined
        out.name("Hidden");
        out.begin(0x4010);
        out.end();
        out.begin(0x4100);
        out.end();
        out.end();
        out.begin(0x4000);
        out.name("Lamp");
        out.begin(0x4600);
        out.f32(1), out.f32(2), out.f32(3);
        out.colorBytesChunk(255, 0, 0);
        out.begin(0x4610);
        out.f32(0), out.f32(0), out.f32(-1), out.f32(20), out.f32(40);
        out.end();
        out.end();
        out.end();
    });
    L3DS reader;
    ASSERT_TRUE(load(reader, bytes));
    EXPECT_EQ(reader.MeshCount(), 0u);
    ASSERT_EQ(reader.LightCount(), 1u);
    const ModelLight& lamp = reader.GetLight(0);
    EXPECT_EQ(lamp.GetName(), "Lamp");
    EXPECT_EQ(lamp.GetPosition().z, 3.0f);
    EXPECT_EQ(lamp.GetColor().r, 1.0f);
    EXPECT_TRUE(lamp.IsSpotlight());
    EXPECT_EQ(lamp.GetTarget().z, -1.0f);
    EXPECT_EQ(lamp.GetFalloff(), 40.0f);
}

TEST(L3DS, MappingCoordinatesBeforeVerticesSizeTheMesh)
{
    const auto bytes = editorFile([](ChunkWriter3DS& out) {
        out.begin(0x4000);
        out.name("Early");
        out.begin(0x4100);
        out.begin(0x4140);
        out.u16(4);
        for (int i = 0; i < 4; ++i)
            out.f32(0.25f * i), out.f32(1.0f);
        out.end();
        out.end();
        out.end();
        out.begin(0x4000);
        out.name("Both");
        out.begin(0x4100);
        out.begin(0x4140);
        out.u16(3);
        for (int i = 0; i < 3; ++i)
            out.f32(0.5f), out.f32(0.5f * i);
        out.end();
        out.begin(0x4110);
        out.u16(3);
        for (int i = 0; i < 9; ++i)
            out.f32(float(i));
        out.end();
        out.end();
        out.end();
    });
    L3DS reader;
    ASSERT_TRUE(load(reader, bytes));
    ASSERT_EQ(reader.MeshCount(), 2u);
    const ModelMesh& early = reader.GetMesh(0);
    EXPECT_EQ(early.VertexCount(), 4u);
    EXPECT_EQ(early.GetTextureCoord(3).u, 0.75f);
    const ModelMesh& both = reader.GetMesh(1);
    ASSERT_EQ(both.VertexCount(), 3u);
    EXPECT_EQ(both.GetTextureCoord(2).v, 1.0f);
    EXPECT_EQ(both.GetVertex(2).z, 8.0f);
    EXPECT_EQ(both.GetVertex(2).w, 1.0f);
}

TEST(L3DS, MaterialColoursPercentagesAndShading)
{
    const auto bytes = editorFile([](ChunkWriter3DS& out) {
        material(out, "Bytes", [](ChunkWriter3DS& out) {
            out.begin(0xA020);
            out.colorBytesChunk(200, 0, 255);
            out.end();
            out.begin(0xA010);
            out.colorFloatChunk({0.1f, 0.2f, 1.5f}); // stored as read, not clamped
            out.end();
            out.begin(0xA040);
            out.percentIntChunk(150);
            out.end();
            out.begin(0xA050);
            out.percentFloatChunk(0.25f);
            out.end();
            out.begin(0xA100);
            out.u16(7);
            out.end();
        });
        material(out, "Negative", [](ChunkWriter3DS& out) {
            out.begin(0xA040);
            out.percentIntChunk(-5);
            out.end();
            out.begin(0xA100);
            out.u16(3);
            out.end();
        });
        material(out, "Wire", [](ChunkWriter3DS& out) {
            out.begin(0xA085);
            out.end();
        });
    });
    L3DS reader;
    ASSERT_TRUE(load(reader, bytes));
    ASSERT_EQ(reader.MaterialCount(), 3u);
    const ModelMaterial& bytesMaterial = reader.GetMaterial(0);
    EXPECT_FLOAT_EQ(bytesMaterial.GetDiffuse().r, 200 * 0.003921569f);
    EXPECT_NEAR(bytesMaterial.GetDiffuse().r, 0.784, 0.001);
    EXPECT_EQ(bytesMaterial.GetDiffuse().g, 0.0f);
    EXPECT_FLOAT_EQ(bytesMaterial.GetDiffuse().b, 1.0f);
    EXPECT_EQ(bytesMaterial.GetAmbient().b, 1.5f);
    EXPECT_EQ(bytesMaterial.GetShininess(), 1.0f);
    EXPECT_EQ(bytesMaterial.GetTransparency(), 0.25f);
    EXPECT_EQ(bytesMaterial.GetShading(), 2);
    EXPECT_EQ(reader.GetMaterial(1).GetShininess(), 0.0f);
    EXPECT_EQ(reader.GetMaterial(1).GetShading(), 3);
    EXPECT_EQ(reader.GetMaterial(2).GetShading(), 0);
    EXPECT_EQ(reader.GetMaterial(2).GetId(), 2u);
}

TEST(L3DS, WrongColourOrPercentageChunksGiveZeroAndAMessage)
{
    L3DS reader;
    auto withProperty = [&](uint16_t property, uint16_t valueChunk) {
        return editorFile([&](ChunkWriter3DS& out) {
            material(out, "M", [&](ChunkWriter3DS& out) {
                out.begin(property);
                out.begin(valueChunk);
                out.f32(0.5f), out.f32(0.5f), out.f32(0.5f);
                out.end();
                out.end();
            });
        });
    };
    ASSERT_TRUE(load(reader, withProperty(0xA020, 0x0030)));
    EXPECT_EQ(reader.LastError(), "L3DS::ReadColor - error this is not a color chunk");
    EXPECT_EQ(reader.GetMaterial(0).GetDiffuse().r, 0.0f);

    ASSERT_TRUE(load(reader, withProperty(0xA040, 0x0010)));
    EXPECT_EQ(reader.LastError(), "L3DS::ReadPercentage - error, the chunk is not a percentage chunk");
    EXPECT_EQ(reader.GetMaterial(0).GetShininess(), 0.0f);
}

TEST(L3DS, TextureMapFieldsAreRead)
{
    const auto bytes = editorFile([](ChunkWriter3DS& out) {
        material(out, "Mapped", [](ChunkWriter3DS& out) {
            out.begin(0xA200);
            out.percentIntChunk(60);
            out.percentFloatChunk(0.9f); // passed over inside a map
            out.begin(0xA300);
            out.name("stone.jpg");
            out.end();
            const uint16_t ids[5] = {0xA354, 0xA356, 0xA358, 0xA35A, 0xA35C};
            for (int i = 0; i < 5; ++i) {
                out.begin(ids[i]);
                out.f32(2.0f + float(i));
                out.end();
            }
            out.end();
            out.begin(0xA230);
            out.begin(0xA300);
            out.name("a_bump_name_beyond_capacity.jpg");
            out.end();
            out.end();
        });
    });
    L3DS reader;
    ASSERT_TRUE(load(reader, bytes));
    ASSERT_EQ(reader.MaterialCount(), 1u);
    const ModelMap& map = reader.GetMaterial(0).GetTextureMap1();
    EXPECT_STREQ(map.fileName, "stone.jpg");
    EXPECT_FLOAT_EQ(map.strength, 0.6f);
    EXPECT_EQ(map.uScale, 2.0f);
    EXPECT_EQ(map.vScale, 3.0f);
    EXPECT_EQ(map.uOffset, 4.0f);
    EXPECT_EQ(map.vOffset, 5.0f);
    EXPECT_STREQ(reader.GetMaterial(0).GetBumpMap().fileName, "a_bump_name_beyond_");
}

TEST(L3DS, ReflectionMapNamesAndTheMaterialDroppedWithoutOne)
{
    const auto bytes = editorFile([](ChunkWriter3DS& out) {
        material(out, "Auto", [](ChunkWriter3DS& out) {
            out.begin(0xA220);
            out.percentIntChunk(150); // not clamped
            out.begin(0xA300);
            out.name("");
            out.end();
            out.end();
        });
        material(out, "Broken", [](ChunkWriter3DS& out) {
            out.begin(0xA220);
            out.percentIntChunk(50);
            out.begin(0xA354);
            out.f32(1.0f);
            out.end();
            out.end();
        });
        plainMaterial(out, "After");
        triangleObject(out, "Tri", [](ChunkWriter3DS& out) {
            out.begin(0x4130);
            out.name("After");
            out.u16(1);
            out.u16(1);
            out.end();
        });
    });
    L3DS reader;
    ASSERT_TRUE(load(reader, bytes));
    EXPECT_EQ(reader.LastError(), "L3DS::ReadMaterial - error, expected chunk not found");
    ASSERT_EQ(reader.MaterialCount(), 2u);
    EXPECT_STREQ(reader.GetMaterial(0).GetReflectionMap().fileName, "auto");
    EXPECT_FLOAT_EQ(reader.GetMaterial(0).GetReflectionMap().strength, 1.5f);
    EXPECT_EQ(reader.FindMaterial("Broken"), nullptr);
    EXPECT_EQ(reader.GetMaterial(1).GetName(), "After");
    EXPECT_EQ(reader.GetMaterial(1).GetId(), 1u);
    EXPECT_EQ(reader.GetMesh(0).GetFace(1).materialId, 1u);
}

TEST(L3DS, FaceMaterialGroupsAndSmoothingMasks)
{
    const auto bytes = editorFile([](ChunkWriter3DS& out) {
        plainMaterial(out, "Zero");
        plainMaterial(out, "One");
        // A long material name: a face group keeps only 19 characters, so it never matches.
        plainMaterial(out, "twenty_five_characters_x");
        triangleObject(out, "Tri", [](ChunkWriter3DS& out) {
            out.begin(0x4130);
            out.name("One");
            out.u16(2);
            out.u16(0);
            out.u16(9); // no such face
            out.end();
            out.begin(0x4130);
            out.name("Missing"); // no such material: the group is skipped
            out.u16(1);
            out.u16(1);
            out.end();
            out.begin(0x4130);
            out.name("twenty_five_characters_x");
            out.u16(1);
            out.u16(1);
            out.end();
            out.begin(0x4150);
            out.u32(1);
            out.u32(6);
            out.end();
        });
    });
    L3DS reader;
    ASSERT_TRUE(load(reader, bytes));
    ASSERT_EQ(reader.MeshCount(), 1u);
    const ModelMesh& mesh = reader.GetMesh(0);
    ASSERT_EQ(mesh.FaceCount(), 2u);
    EXPECT_EQ(mesh.GetFace(0).materialId, 1u);
    EXPECT_EQ(mesh.GetFace(1).materialId, 0u);
    ASSERT_EQ(mesh.MaterialCount(), 1u);
    EXPECT_EQ(mesh.GetMaterial(0), 1u);
    EXPECT_EQ(mesh.GetFace(0).smoothing, 1u);
    EXPECT_EQ(mesh.GetFace(1).smoothing, 6u);
    EXPECT_EQ(mesh.VertexCount(), 6u); // different masks: every corner split
}

TEST(L3DS, WithoutASmoothingListEveryFaceIsInGroupOne)
{
    const auto bytes = editorFile([](ChunkWriter3DS& out) {
        triangleObject(out, "Tri", [](ChunkWriter3DS&) {});
    });
    L3DS reader;
    ASSERT_TRUE(load(reader, bytes));
    const ModelMesh& mesh = reader.GetMesh(0);
    EXPECT_EQ(mesh.GetFace(0).smoothing, 1u);
    EXPECT_EQ(mesh.GetFace(1).smoothing, 1u);
    EXPECT_EQ(mesh.VertexCount(), 3u);
    EXPECT_EQ(mesh.GetMatrix()[0], 1.0f);
}

TEST(L3DS, LocalAxesAndLongObjectNames)
{
    const std::string longName(120, 'n');
    const auto bytes = editorFile([&](ChunkWriter3DS& out) {
        out.begin(0x4000);
        out.name(longName);
        out.begin(0x4100);
        out.begin(0x4160);
        for (int i = 1; i <= 12; ++i)
            out.f32(float(i));
        out.end();
        out.end();
        out.end();
    });
    L3DS reader;
    ASSERT_TRUE(load(reader, bytes));
    ASSERT_EQ(reader.MeshCount(), 1u);
    EXPECT_EQ(reader.GetMesh(0).GetName(), std::string(98, 'n'));
    const float expected[16] = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(reader.GetMesh(0).GetMatrix()[i], expected[i]) << i;
}

TEST(L3DS, FacesBeyondTheVertexListAreDroppedKeepingOthersData)
{
    Writer3DS writer;
    writer.addMaterial("Red");
    writer.addMaterial("Blue");
    MeshBuilder& mesh = writer.addMesh("Bad");
    for (int i = 0; i < 4; ++i)
        mesh.addVertex({float(i), float(i * i), 0});
    mesh.addFace(0, 1, 7, 4, 0);   // corner beyond the list
    mesh.addFace(0, 1, 2, 8, 1);
    mesh.addFace(3, 400, 1, 16, 0); // corner beyond the list
    mesh.addFace(1, 2, 3, 32, 0);
    ASSERT_FALSE(writer.validate());
    L3DS reader;
    ASSERT_TRUE(load(reader, writer.bytes()));
    const ModelMesh& read = reader.GetMesh(0);
    ASSERT_EQ(read.FaceCount(), 2u);
    EXPECT_EQ(read.GetFace(0).smoothing, 8u);
    EXPECT_EQ(read.GetFace(0).materialId, 1u);
    EXPECT_EQ(read.GetFace(1).smoothing, 32u);
    EXPECT_EQ(read.GetFace(1).materialId, 0u);
    for (uint32_t f = 0; f < read.FaceCount(); ++f)
        for (uint16_t corner : read.GetTriangleIndices(f))
            EXPECT_LT(corner, read.VertexCount());
}

TEST(L3DS, MeshNeedingMoreThan65536VerticesIsRefused)
{
    Writer3DS writer;
    MeshBuilder& huge = writer.addMesh("Huge");
    huge.addVertex({0, 0, 0});
    huge.addVertex({1, 0, 0});
    huge.addVertex({0, 1, 0});
    for (uint32_t f = 0; f < 21846; ++f) // 3 new vertices per further mask
        huge.addFace(0, 1, 2, f);
    MeshBuilder& small = writer.addMesh("Small");
    small.addVertex({0, 0, 0});
    small.addVertex({1, 0, 0});
    small.addVertex({0, 1, 0});
    small.addFace(0, 1, 2);
    std::string error;
    EXPECT_FALSE(writer.validate(&error));
    EXPECT_NE(error.find("smoothing"), std::string::npos);

    L3DS reader;
    ASSERT_TRUE(load(reader, writer.bytes()));
    EXPECT_NE(reader.LastError().find("65536"), std::string::npos);
    ASSERT_EQ(reader.MeshCount(), 1u);
    EXPECT_EQ(reader.GetMesh(0).GetName(), "Small");
}

TEST(L3DS, BrokenChunkLengthsEndTheirParentsWalk)
{
    // Length 0 and length 3 (below the header) inside the editor: the walk of the editor ends
    // there, so the material after them is not reached.
    for (uint32_t badLength : {0u, 3u, 5u}) {
        ChunkWriter3DS out;
        out.begin(0x4D4D);
        out.begin(0x3D3D);
        plainMaterial(out, "First");
        out.u16(0x1234);
        out.u32(badLength);
        plainMaterial(out, "Unreached");
        out.end();
        out.end();
        L3DS reader;
        ASSERT_TRUE(load(reader, out.bytes())) << badLength;
        ASSERT_EQ(reader.MaterialCount(), 1u) << badLength;
        EXPECT_EQ(reader.GetMaterial(0).GetName(), "First");
    }

    // A property chunk claiming more than its material holds ends the material's walk; the
    // material keeps what came before and the next material is still read.
    ChunkWriter3DS out;
    out.begin(0x4D4D);
    out.begin(0x3D3D);
    material(out, "Overlong", [](ChunkWriter3DS& out) {
        out.begin(0xA040);
        out.percentIntChunk(40);
        out.end();
        out.u16(0xA050);
        out.u32(100000);
        out.u16(0);
    });
    plainMaterial(out, "Next");
    out.end();
    out.end();
    L3DS reader;
    ASSERT_TRUE(load(reader, out.bytes()));
    ASSERT_EQ(reader.MaterialCount(), 2u);
    EXPECT_FLOAT_EQ(reader.GetMaterial(0).GetShininess(), 0.4f);
    EXPECT_EQ(reader.GetMaterial(1).GetName(), "Next");
}

TEST(L3DS, TruncatedFilesNeverBreakTheReader)
{
    Writer3DS writer;
    MaterialInput& red = writer.addMaterial("Red");
    red.textureMap1.fileName = "red.jpg";
    red.hasReflectionMap = true;
    MeshBuilder& mesh = writer.addMesh("Quad");
    mesh.addVertex({0, 0, 0}, {0, 0});
    mesh.addVertex({1, 0, 0}, {1, 0});
    mesh.addVertex({1, 1, 0}, {1, 1});
    mesh.addVertex({0, 1, 0}, {0, 1});
    mesh.addFace(0, 1, 2, 1, 0);
    mesh.addFace(0, 2, 3, 2, -1);
    const std::vector<uint8_t> bytes = writer.bytes();
    for (size_t length = 0; length <= bytes.size(); ++length) {
        L3DS reader;
        reader.LoadFromMemory(bytes.data(), length);
        for (uint32_t m = 0; m < reader.MeshCount(); ++m) {
            const ModelMesh& read = reader.GetMesh(m);
            for (uint32_t f = 0; f < read.FaceCount(); ++f) {
                for (uint16_t corner : read.GetTriangleIndices(f))
                    ASSERT_LT(corner, read.VertexCount()) << length;
                ASSERT_LT(read.GetFace(f).materialId, std::max(1u, reader.MaterialCount()));
            }
            for (uint32_t v = 0; v < read.VertexCount(); ++v)
                ASSERT_TRUE(std::isfinite(read.GetNormal(v).x)) << length;
        }
    }
    L3DS whole;
    ASSERT_TRUE(whole.LoadFromMemory(bytes.data(), bytes.size()));
    EXPECT_EQ(whole.GetMesh(0).FaceCount(), 2u);
}

// A file that ends inside a list: a list's count is trusted, and what lies past the end reads as
// zero, so the rest of the list is zeros (vertices at the origin with w 1, corners 0, face 0 for
// every further entry of a material group), also where an earlier list had put other values.
TEST(L3DS, ListsCutByTheEndOfTheFileEndInZeros)
{
    // main > editor > two materials > object > mesh > whatever body writes; the file is cut
    // where body set the mark, plus extra bytes.
    auto cutFile = [](auto body, size_t extra) {
        ChunkWriter3DS out;
        size_t cut = 0;
        out.begin(0x4D4D);
        out.begin(0x3D3D);
        plainMaterial(out, "Blue");
        plainMaterial(out, "Red");
        out.begin(0x4000);
        out.name("Cut");
        out.begin(0x4100);
        body(out, cut);
        for (int level = 0; level < 4; ++level)
            out.end();
        std::vector<uint8_t> bytes = out.bytes();
        bytes.resize(cut + extra);
        return bytes;
    };
    auto vertices = [](ChunkWriter3DS& out, uint16_t count) {
        out.begin(0x4110);
        out.u16(count);
        for (int i = 0; i < count * 3; ++i)
            out.f32(float(i + 1));
        out.end();
    };

    // Five vertices claimed; one and a third written, then two bytes of the next value.
    const auto cutVertices = [](ChunkWriter3DS& out, size_t& cut) {
        out.begin(0x4110);
        out.u16(5);
        for (float f : {1.0f, 2.0f, 3.0f, 4.0f})
            out.f32(f);
        cut = out.bytes().size();
        for (int i = 0; i < 11; ++i)
            out.f32(9.0f);
        out.end();
    };
    L3DS reader;
    ASSERT_TRUE(load(reader, cutFile(cutVertices, 2)));
    const ModelMesh& cutList = reader.GetMesh(0);
    ASSERT_EQ(cutList.VertexCount(), 5u);
    const float expected[5][3] = {{1, 2, 3}, {4, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    for (uint32_t v = 0; v < 5; ++v) {
        const Vec4& read = cutList.GetVertex(v);
        EXPECT_EQ(read.x, expected[v][0]) << v;
        EXPECT_EQ(read.y, expected[v][1]) << v;
        EXPECT_EQ(read.z, expected[v][2]) << v;
        EXPECT_EQ(read.w, 1.0f) << v;
    }

    // A second mapping list, cut after one and a half coordinates, overwrites the first with
    // zeros.
    const auto cutMapping = [&](ChunkWriter3DS& out, size_t& cut) {
        vertices(out, 4);
        out.begin(0x4140);
        out.u16(4);
        for (int i = 0; i < 8; ++i)
            out.f32(0.5f);
        out.end();
        out.begin(0x4140);
        out.u16(4);
        for (float f : {0.25f, 0.75f, 0.125f})
            out.f32(f);
        cut = out.bytes().size();
        for (int i = 0; i < 5; ++i)
            out.f32(0.5f);
        out.end();
    };
    ASSERT_TRUE(load(reader, cutFile(cutMapping, 3)));
    const ModelMesh& mapped = reader.GetMesh(0);
    ASSERT_EQ(mapped.VertexCount(), 4u);
    EXPECT_EQ(mapped.GetVertex(3).z, 12.0f);
    const float coords[4][2] = {{0.25f, 0.75f}, {0.125f, 0}, {0, 0}, {0, 0}};
    for (uint32_t v = 0; v < 4; ++v) {
        EXPECT_EQ(mapped.GetTextureCoord(v).u, coords[v][0]) << v;
        EXPECT_EQ(mapped.GetTextureCoord(v).v, coords[v][1]) << v;
    }

    // Three faces claimed; one written and the first corner of the next. The other corners are
    // vertex 0, and every face keeps smoothing group 1.
    const auto cutFaces = [&](ChunkWriter3DS& out, size_t& cut) {
        vertices(out, 3);
        out.begin(0x4120);
        out.u16(3);
        for (uint16_t i : {0, 1, 2, 7, 1})
            out.u16(i);
        cut = out.bytes().size();
        for (uint16_t i : {2, 0, 7, 2, 1, 0, 7})
            out.u16(i);
        out.end();
    };
    ASSERT_TRUE(load(reader, cutFile(cutFaces, 1)));
    const ModelMesh& faced = reader.GetMesh(0);
    ASSERT_EQ(faced.FaceCount(), 3u);
    const std::array<uint16_t, 3> corners[3] = {{0, 1, 2}, {1, 0, 0}, {0, 0, 0}};
    for (uint32_t f = 0; f < 3; ++f) {
        EXPECT_EQ(faced.GetTriangleIndices(f), corners[f]) << f;
        EXPECT_EQ(faced.GetFace(f).smoothing, 1u) << f;
    }

    // A material group of three entries cut after its first (face 1): the entries past the end
    // read as face 0, which takes the material too.
    const auto cutGroup = [&](ChunkWriter3DS& out, size_t& cut) {
        vertices(out, 3);
        out.begin(0x4120);
        out.u16(2);
        for (uint16_t i : {0, 1, 2, 7, 0, 2, 1, 7})
            out.u16(i);
        out.begin(0x4130);
        out.name("Red");
        out.u16(3);
        out.u16(1);
        cut = out.bytes().size();
        out.u16(1);
        out.u16(1);
        out.end();
        out.end();
    };
    ASSERT_TRUE(load(reader, cutFile(cutGroup, 1)));
    const ModelMesh& grouped = reader.GetMesh(0);
    ASSERT_EQ(grouped.FaceCount(), 2u);
    EXPECT_EQ(grouped.GetFace(0).materialId, 1u);
    EXPECT_EQ(grouped.GetFace(1).materialId, 1u);
}

namespace {

std::string thirdParty(const char* name)
{
    return std::string(TALVOREN_TESTDATA) + "/3ds/" + name;
}

bool loadThirdParty(L3DS& reader, const char* name)
{
    const std::string path = thirdParty(name);
    if (!std::filesystem::exists(path))
        return false;
    EXPECT_TRUE(reader.LoadFile(path.c_str())) << name << ": " << reader.LastError();
    return true;
}

bool anyMapped(const ModelMesh& mesh)
{
    for (uint32_t v = 0; v < mesh.VertexCount(); ++v)
        if (mesh.GetTextureCoord(v).u != 0.0f || mesh.GetTextureCoord(v).v != 0.0f)
            return true;
    return false;
}

} // namespace

TEST(L3DS, ThirdPartyTexturedCube)
{
    L3DS reader;
    if (!loadThirdParty(reader, "cube_with_diffuse_texture.3DS"))
        GTEST_SKIP() << "third-party 3DS files not found";
    ASSERT_EQ(reader.MaterialCount(), 1u);
    EXPECT_STRNE(reader.GetMaterial(0).GetTextureMap1().fileName, "");
    ASSERT_EQ(reader.MeshCount(), 1u);
    EXPECT_EQ(reader.GetMesh(0).FaceCount(), 12u);
    EXPECT_GE(reader.GetMesh(0).VertexCount(), 8u);
    EXPECT_TRUE(anyMapped(reader.GetMesh(0)));
}

TEST(L3DS, ThirdPartyAnimatedFilesSkipKeyframerAndCamera)
{
    for (const char* name : {"RotatingCube.3DS", "CameraRollAnim.3ds"}) {
        L3DS reader;
        if (!loadThirdParty(reader, name))
            GTEST_SKIP() << "third-party 3DS files not found";
        EXPECT_EQ(reader.MaterialCount(), 0u) << name;
        ASSERT_EQ(reader.MeshCount(), 1u) << name;
        EXPECT_EQ(reader.LightCount(), 0u) << name;
        EXPECT_EQ(reader.GetMesh(0).FaceCount(), 12u) << name;
    }
}

TEST(L3DS, ThirdPartyRockHasAMaterialButNoMappingOrSmoothingList)
{
    L3DS reader;
    if (!loadThirdParty(reader, "fels.3ds"))
        GTEST_SKIP() << "third-party 3DS files not found";
    ASSERT_EQ(reader.MaterialCount(), 1u);
    ASSERT_EQ(reader.MeshCount(), 1u);
    const ModelMesh& rock = reader.GetMesh(0);
    EXPECT_GT(rock.FaceCount(), 100u);
    EXPECT_FALSE(anyMapped(rock));
    for (uint32_t f = 0; f < rock.FaceCount(); ++f) {
        ASSERT_EQ(rock.GetFace(f).smoothing, 1u);
        EXPECT_TRUE(std::isfinite(rock.GetTangent(rock.GetFace(f).a).x));
    }
}
