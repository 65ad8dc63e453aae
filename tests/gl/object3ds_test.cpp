// NObject::load3DS with files made by our 3DS writer: meshes and faces as in the file, texture
// coordinates only when the file has materials, one texture per material from ./data/, each
// mesh textured by its first material group.
#include "app/log.h"
#include "assets/writer3ds.h"
#include "geometry/nobject.h"
#include "platform/os.h"
#include "tests/unit/picture_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

int occurrences(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// Runs each test in a scratch folder with a ./data/ of its own, with an enabled log and message
// boxes collected.
class Object3ds : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousDirectory = std::filesystem::current_path();
        folder = pictures::scratchPath("folder");
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder + "/data");
        std::filesystem::current_path(folder);
        previousLogger = logger;
        logger = &log;
        os::setMessageBoxHook([this](const std::string& text, const std::string&, unsigned) {
            boxes.push_back(text);
            return os::IDOK;
        });
    }
    void TearDown() override
    {
        os::setMessageBoxHook(nullptr);
        logger = previousLogger;
        std::filesystem::current_path(previousDirectory);
        std::filesystem::remove_all(folder);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    static void writePicture(const std::string& name)
    {
        pictures::writeFile("data/" + name,
                            pictures::jpegBytes(4, 4, [](int, int) { return pictures::Rgb(250, 120, 10); }));
    }

    // One triangle; corners get mapping coordinates when `mapped`.
    static void addTriangle(MeshBuilder& mesh, float x, int material, bool mapped)
    {
        const uint16_t a = mesh.addVertex(Vec3(x, 0, 0), mapped ? Vec2{0.25f, 0.5f} : Vec2{});
        const uint16_t b = mesh.addVertex(Vec3(x + 1, 0, 0), mapped ? Vec2{0.75f, 0.5f} : Vec2{});
        const uint16_t c = mesh.addVertex(Vec3(x, 1, 0), mapped ? Vec2{0.25f, 1.0f} : Vec2{});
        mesh.addFace(a, b, c, 1, material);
    }

    static std::string write(const Writer3DS& writer)
    {
        std::string error;
        EXPECT_TRUE(writer.writeFile("model.3ds", &error)) << error;
        return "model.3ds";
    }

    Log log{true};
    Log* previousLogger = nullptr;
    std::vector<std::string> boxes;
    std::filesystem::path previousDirectory;
    std::string folder;
};

} // namespace

TEST_F(Object3ds, MaterialsGiveTexCoordsAndOneTexturePerMaterialByFirstGroup)
{
    writePicture("stone.jpg");
    Writer3DS writer;
    // The writer lists a mesh's groups in material order, so Bare comes before Stone.
    writer.addMaterial("Bare");
    writer.addMaterial("Stone").textureMap1.fileName = "stone.jpg";
    writer.addMaterial("Dot").textureMap1.fileName = "x"; // one character: no picture
    MeshBuilder& first = writer.addMesh("First");
    addTriangle(first, 0, 1, true);
    addTriangle(first, 2, 1, true);
    MeshBuilder& second = writer.addMesh("Second");
    addTriangle(second, 0, 1, false);
    MeshBuilder& bareFirst = writer.addMesh("BareFirst");
    addTriangle(bareFirst, 0, 1, false);
    addTriangle(bareFirst, 2, 0, false);
    MeshBuilder& dotted = writer.addMesh("Dotted");
    addTriangle(dotted, 0, 2, false);
    const std::string path = write(writer);

    NObject object;
    ASSERT_TRUE(object.load3DS(path.c_str()));
    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(object.meshes.size(), 4u);
    EXPECT_EQ(object.meshes[0]->faceCount(), 2);
    EXPECT_EQ(object.meshes[1]->faceCount(), 1);
    EXPECT_EQ(object.meshes[2]->faceCount(), 2);

    // Stone's picture was loaded once, and both meshes whose first group is Stone share it.
    ASSERT_EQ(object.materialTextures.size(), 1u);
    const GLuint stone = object.materialTextures.at(1);
    EXPECT_TRUE(glIsTexture(stone));
    EXPECT_EQ(object.meshes[0]->texture, stone);
    EXPECT_EQ(object.meshes[1]->texture, stone);
    EXPECT_EQ(object.meshes[2]->texture, 0u); // Bare first, Stone only in a later group
    EXPECT_EQ(object.meshes[3]->texture, 0u);

    // Mapped corners carry their coordinates, unmapped ones zero: both because of the materials.
    const Face& mapped = *object.meshes[0]->faces()[1];
    EXPECT_EQ(mapped.texCoords[1], Vec3(0.75, 0.5, 0));
    EXPECT_EQ(mapped.texCoords[2], Vec3(0.25, 1.0, 0));
    EXPECT_EQ(mapped.vertices[1], Vec3(3, 0, 0));
    EXPECT_EQ(object.meshes[1]->faces()[0]->texCoords[1], Vec3(0, 0, 0));

    const std::string& text = log.text();
    EXPECT_EQ(occurrences(text, "Object::load3DS() -- file: model.3ds"), 1);
    EXPECT_EQ(occurrences(text, "Has texture coords"), 1);
    EXPECT_EQ(occurrences(text, "Material nr: 0 Name: Bare"), 1);
    EXPECT_EQ(occurrences(text, "Material nr: 1 Name: Stone"), 1);
    EXPECT_EQ(occurrences(text, "Texture name: stone.jpg"), 1);
    EXPECT_EQ(occurrences(text, "Material nr: 2 Name: Dot"), 1);
    EXPECT_EQ(occurrences(text, "Texture name: x"), 1);
    EXPECT_EQ(occurrences(text, "loadJPGTexture() -- file: ./data/stone.jpg"), 1);
    EXPECT_EQ(occurrences(text, "./data/x"), 0);
}

TEST_F(Object3ds, WithoutMaterialsFacesGetNoTexCoords)
{
    Writer3DS writer;
    MeshBuilder& mesh = writer.addMesh("Mapped");
    addTriangle(mesh, 0, -1, true);
    const std::string path = write(writer);
    NObject object;
    ASSERT_TRUE(object.load3DS(path.c_str()));
    ASSERT_EQ(object.meshes.size(), 1u);
    const Face& face = *object.meshes[0]->faces()[0];
    for (const Vec3& t : face.texCoords)
        EXPECT_EQ(t, Vec3(0, 0, 0));
    EXPECT_EQ(face.faceNormal, Vec3(0, 0, 1));
    EXPECT_EQ(occurrences(log.text(), "Has texture coords"), 0);
    EXPECT_EQ(occurrences(log.text(), "Material nr"), 0);
    EXPECT_TRUE(object.materialTextures.empty());
}

TEST_F(Object3ds, SmoothingGroupsSplitNormalsButKeepTheFacesAndTheirPositions)
{
    // A cube of eight shared corners, each side its own smoothing group.
    Writer3DS writer;
    MeshBuilder& cube = writer.addMesh("Cube");
    for (int i = 0; i < 8; ++i)
        cube.addVertex(Vec3(i & 1 ? 1 : -1, i & 2 ? 1 : -1, i & 4 ? 1 : -1));
    const uint16_t quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                  {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (int s = 0; s < 6; ++s) {
        cube.addFace(quads[s][0], quads[s][1], quads[s][2], 1u << s);
        cube.addFace(quads[s][0], quads[s][2], quads[s][3], 1u << s);
    }
    const std::string path = write(writer);
    NObject object;
    ASSERT_TRUE(object.load3DS(path.c_str()));
    ASSERT_EQ(object.meshes.size(), 1u);
    ASSERT_EQ(object.meshes[0]->faceCount(), 12);
    for (const auto& face : object.meshes[0]->faces())
        for (const Vec3& n : face->vertexNormals) {
            EXPECT_NEAR(n.x, face->faceNormal.x, 1e-6);
            EXPECT_NEAR(n.y, face->faceNormal.y, 1e-6);
            EXPECT_NEAR(n.z, face->faceNormal.z, 1e-6);
        }
    // The split copies keep their positions, so the cube is still closed for the shadow.
    object.initShadow();
    for (const Face* face : object.shadowFaces)
        for (const Face* neighbour : face->neighbours)
            EXPECT_NE(neighbour, nullptr);
}

TEST_F(Object3ds, UnreadableFilesAddNothingAndSayWhich)
{
    pictures::writeFile("junk.3ds", {1, 2, 3, 4, 5, 6, 7, 8});
    for (const char* path : {"missing.3ds", "junk.3ds"}) {
        boxes.clear();
        NObject object;
        EXPECT_FALSE(object.load3DS(path));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], std::string("Loading ") + path + " in Object failed");
        EXPECT_TRUE(object.meshes.empty());
        EXPECT_TRUE(object.materialTextures.empty());
    }
}

TEST_F(Object3ds, MissingPictureLeavesTheMaterialUntexturedAndGoesOn)
{
    Writer3DS writer;
    writer.addMaterial("Lost").textureMap1.fileName = "lost.jpg";
    addTriangle(writer.addMesh("Only"), 0, 0, true);
    const std::string path = write(writer);
    NObject object;
    ASSERT_TRUE(object.load3DS(path.c_str()));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "ERROR! Failed to load ./data/lost.jpg !");
    ASSERT_EQ(object.meshes.size(), 1u);
    EXPECT_EQ(object.meshes[0]->texture, 0u);
}
